# Sourced by the run and test scripts: installs the Debian packages the build
# needs (only those missing), then configures and builds one tree.
#
#   kinetra_setup BUILD_DIR [cmake options...]

KINETRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KINETRA_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev
                  qt6-svg-dev libgif-dev libpng-dev libdeflate-dev nlohmann-json3-dev libbenchmark-dev clang libclang-rt-14-dev dpkg-dev file desktop-file-utils
                  xdg-utils shared-mime-info libfile-mimeinfo-perl lintian appstream
                  xvfb xauth x11-utils imagemagick netpbm python3-pil)

kinetra_install_packages() {
    local missing=()
    for package in "${KINETRA_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The sanitizer tree, build-asan/: AddressSanitizer and
# UndefinedBehaviorSanitizer on the core, kinetra-cli, the installer, the
# window program and their tests, and the libFuzzer targets on the same
# core. clang builds it in well under half of gcc's time and is what
# libFuzzer needs. The window's QTest programs run in the plain tree only.
KINETRA_SANITIZER_DIR="$KINETRA_ROOT/build-asan"
KINETRA_SANITIZER_OPTIONS=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKINETRA_SANITIZE=ON
                           -DKINETRA_BUILD_FUZZERS=ON -DKINETRA_WINDOW_TESTS=OFF)

#   kinetra_configure BUILD_DIR [cmake options...]
kinetra_configure() {
    local build_dir="$1"
    shift
    kinetra_install_packages
    cmake -S "$KINETRA_ROOT" -B "$build_dir" -G Ninja -DKINETRA_WERROR=ON "$@" >/dev/null
}

kinetra_setup() {
    kinetra_configure "$@"
    cmake --build "$1"
}
