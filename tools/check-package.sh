#!/usr/bin/env bash
# Builds the Debian package from a built tree and holds it, the AppStream
# metadata and the desktop entry to the checkers a reviewer would run:
# lintian with no errors or warnings, `appstreamcli validate --pedantic`
# and desktop-file-validate with nothing to say. Prints what they found.
#   tools/check-package.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$(cd "$1" && pwd)"

for tool in lintian appstreamcli desktop-file-validate cpack; do
    command -v "$tool" >/dev/null || { echo "check-package: $tool is not installed"; exit 77; }
done

failed=0
desktop-file-validate "$root/res/kinetra.desktop" || failed=1
appstreamcli validate --pedantic --no-net "$root"/res/*.metainfo.xml || failed=1

# A folder of its own, so that a run beside another cpack cannot mix them.
package_dir="$build_dir/package-check"
rm -rf "$package_dir"
mkdir -p "$package_dir"
(cd "$package_dir" && cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$package_dir" >cpack.log) \
    || { cat "$package_dir/cpack.log"; exit 1; }
deb=("$package_dir"/kinetra_*.deb)
# Infos (I:) are advice; errors and warnings are not.
findings="$(lintian --tag-display-limit 0 "${deb[0]}" 2>/dev/null | grep -E '^[EW]: ' || true)"
if [ -n "$findings" ]; then
    echo "$findings"
    failed=1
fi
exit "$failed"
