#!/bin/bash
# Sources the bash completion of kinetra-cli and checks what it offers for a
# few command lines, with the built kinetra-cli first on PATH.
# Usage: completion-test.sh COMPLETION-SCRIPT KINETRA-CLI SAMPLES-DIR
set -u
script=$1
PATH="$(dirname "$2"):$PATH"
samples=$3
# shellcheck source=/dev/null
source "$script" || { echo "cannot source $script"; exit 1; }

failures=0
# expect "WANTED REPLY (sorted, one line)" WORD...: completes the last word.
expect()
{
    local wanted=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _kinetra_cli
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    got=${got% }
    if [[ $got != "$wanted" ]]; then
        echo "FAIL: '$*' gave '$got', wanted '$wanted'"
        failures=$((failures + 1))
    fi
}

expect "thumbnail" kinetra-cli th
expect "set sheet split storyboard" kinetra-cli s
expect "build combine compose frames gif info join palette recolor set sheet split storyboard thumbnail" kinetra-cli ""
expect "--help --version -h" kinetra-cli -
expect "--version" kinetra-cli --v
expect "--help --size -h -s" kinetra-cli thumbnail -
expect "--help --json" kinetra-cli info --
expect "--jobs" kinetra-cli recolor a.flc --j
expect "--layout" kinetra-cli storyboard a.flc --la
expect "--in-place" kinetra-cli set a.flc --in
expect "cels filmstrips sheet" kinetra-cli storyboard a.flc --layout ""
expect "filmstrips" kinetra-cli storyboard a.flc --layout f
expect "" kinetra-cli nosuchcommand --
expect "$samples/plain.flc" kinetra-cli info "$samples/pl"
expect "$samples/unit.flc" kinetra-cli thumbnail -s 128 "$samples/un"
# combine's formation among other files; what --out names may be anything.
formations=$(mktemp -d)
trap 'rm -rf "$formations"' EXIT
mkdir "$formations/sub"
touch "$formations/squad.formation.json" "$formations/unit.flc"
expect "$formations/squad.formation.json $formations/sub" kinetra-cli combine "$formations/"
expect "$formations/squad.formation.json $formations/sub $formations/unit.flc" kinetra-cli combine a --out "$formations/"

[[ $(complete -p kinetra-cli) == "complete -F _kinetra_cli kinetra-cli" ]] || {
    echo "FAIL: kinetra-cli is not bound to _kinetra_cli"
    failures=$((failures + 1))
}
exit $((failures > 0))
