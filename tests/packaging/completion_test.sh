#!/usr/bin/env bash
# A technician types the first letters of a command or an option and presses Tab: the completion
# the package installs must offer what the program has, read from the program it completes.
# Usage: completion_test.sh <build folder>
set -euo pipefail
# A pipeline ends in a reader of all its input (grep >/dev/null, not grep -q): a reader that stops
# early leaves the writer to die of SIGPIPE, which pipefail reports as a failure now and then.
build=$1
export PATH="$build:$PATH" LD_LIBRARY_PATH="$build/sim-bridge"
source "$(dirname "$0")/../../packaging/tarvellon-flash.bash-completion"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

complete -p tarvellon-flash | grep -- '-F _tarvellon_flash' >/dev/null || fail "not registered: $(complete -p tarvellon-flash)"

# Bash lets a completion function set its options only while it completes for a person.
compopt() { :; }

# Offers for the words typed so far, the last one being completed.
offers() {
    COMP_WORDS=(tarvellon-flash "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _tarvellon_flash
    echo "${COMPREPLY[*]}"
}

[ "$(offers u)" = upgrade ] || fail "u: $(offers u)"
[ "$(offers "")" = "list identify upgrade station info help --help --version" ] ||
    fail "no word: $(offers "")"
[ "$(offers upgrade --js)" = --json ] || fail "upgrade --js: $(offers upgrade --js)"
[ "$(offers upgrade --driver s)" = serial ] || fail "--driver s: $(offers upgrade --driver s)"
[ "$(offers list -)" = "--json -l --driver -q --quiet -h --help -V --version" ] ||
    fail "list -: $(offers list -)"
[ "$(offers help st)" = station ] || fail "help st: $(offers help st)"
# The simulated bridge's default units, beside the files.
offers identify TARV | grep -w TARV0002 >/dev/null || fail "identify TARV: $(offers identify TARV)"
echo "completion checked"
