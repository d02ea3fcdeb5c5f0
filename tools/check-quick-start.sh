#!/usr/bin/env bash
# Runs the README's first command as a newcomer on a desktop would, on a
# virtual X screen, and passes only when a window titled with the sample's
# name is shown and the picture in it moves. Ends the program it started.
#   tools/check-quick-start.sh    (KINETRA_BUILD_DIR as for run-sample.sh)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
kinetra_install_packages

if [ -z "${KINETRA_QUICK_START_SCREEN:-}" ]; then
    # Again on a screen of its own, whatever display the caller has.
    export KINETRA_QUICK_START_SCREEN=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "${BASH_SOURCE[0]}" "$@"
fi

# A newcomer's first start, in folders of its own: no settings, no running
# instance. Only the file-type question is answered beforehand, as a
# desktop user does once.
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
export HOME="$home/home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_RUNTIME_DIR="$home/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Halvorek" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[Options]\nCheck File Type=0\n' > "$XDG_CONFIG_HOME/Halvorek/Kinetra.conf"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

log="$home/run-sample.log"
"$KINETRA_ROOT/tools/run-sample.sh" > "$log" 2>&1 &
program=$!
stop_program() {
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
}
fail() {
    echo "quick start: $*" >&2
    echo "--- tools/run-sample.sh said:" >&2
    tail -n 20 "$log" >&2
    stop_program
    exit 1
}

# The build is done by the time CI gets here; a first run builds for longer.
window=""
for _ in $(seq 1 1800); do
    kill -0 "$program" 2>/dev/null || fail "tools/run-sample.sh ended before a window was shown"
    window="$(xwininfo -root -tree | awk '/"unit\.flc - Kinetra"/ { print $1; exit }')"
    [ -n "$window" ] && break
    sleep 0.5
done
[ -n "$window" ] || fail "no window titled \"unit.flc - Kinetra\" within 15 minutes"

# The picture moves: shots of the window's left part, where the picture
# is (the frame counter and the slider are on the right), differ.
shots="$home/shots"
mkdir -p "$shots"
sleep 1
moved=0
for i in 0 1 2 3 4 5; do
    import -silent -window "$window" "$shots/shot.png" || fail "cannot take a picture of window $window"
    convert "$shots/shot.png" -crop 45%x100%+0+0 +repage "$shots/$i.png"
    if [ "$i" -gt 0 ]; then
        changed="$(compare -metric AE "$shots/0.png" "$shots/$i.png" null: 2>&1 || true)"
        changed="${changed%%.*}"
        [ "${changed:-0}" -gt "$moved" ] && moved="$changed"
    fi
    sleep 0.3
done
[ "$moved" -ge 200 ] || fail "the picture did not move (at most $moved pixels changed between shots)"

stop_program
echo "quick start: window $window shows unit.flc and its picture moves ($moved pixels changed)"
