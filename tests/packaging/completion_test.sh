#!/usr/bin/env bash
# A technician types the first letters of a command, an option or an argument and presses Tab:
# the completion the package installs must offer what the program has, read from the program it
# completes, and nothing a command cannot take. Usage: completion_test.sh <build folder>
set -euo pipefail
build=$(realpath "$1")
completion=$(cd "$(dirname "$0")/../../packaging" && pwd)/tarvellon-flash.bash-completion
export PATH="$build:$PATH" LD_LIBRARY_PATH="$build/sim-bridge"
source "$completion"

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

# Each row: the words typed, as shell words (the last one is being completed) | what is offered,
# in any order, as bash sorts the offers it shows.
sorted() { tr ' ' '\n' | LC_ALL=C sort | paste -sd ' '; }
check() {
    local words expected offered
    while IFS='|' read -r words expected; do
        eval "set -- $words"
        offered=$("$offer" "$@" | sorted)
        [ "$offered" = "$(sorted <<<"$expected")" ] || fail "$words: '$offered', not '$expected'"
    done
}

# The current folder holds an image and a note whose names start like the simulated units'.
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvellon-completion.XXXXXX")
trap 'rm -rf "$work"' EXIT
touch "$work/TARV-notes.txt" "$work/firmware.frw"
cd "$work"
offer=offers check <<'EOF'
u|upgrade
''|list identify upgrade station info line help --help --version
upgrade --js|--json
upgrade --driver s|serial
list -|--json -l --driver -q --quiet -h --help -V --version
help st|station
identify TARV|TARV0001 TARV0002
identify ''|TARV0001 TARV0002
upgrade TARV|TARV-notes.txt TARV0001 TARV0002
info f|firmware.frw
station ''|TARV-notes.txt firmware.frw
list ''|
EOF

# --port offers the bridges' ports, by their stable names first, and not every terminal of the
# machine: offers in a /dev of the test's own, where the system lets a user have one.
export -f offers _tarvellon_flash compopt
offers_in_own_dev() {
    unshare --user --map-root-user --mount bash -euc '
        mount -t tmpfs tmpfs /dev
        mkdir -p /dev/serial/by-id
        touch /dev/null /dev/tty /dev/tty1 /dev/ttyS0 /dev/ttyUSB0 /dev/ttyUSB1
        ln -s ../../ttyUSB1 /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_TARV0001-if00-port0
        offers "$@"' offers "$@"
}
if unshare --user --map-root-user --mount true 2>/dev/null; then
    offer=offers_in_own_dev check <<'EOF'
upgrade --port ''|/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_TARV0001-if00-port0 /dev/ttyUSB0 /dev/ttyUSB1
identify --port /dev/ttyU|/dev/ttyUSB0 /dev/ttyUSB1
upgrade --port /dev/serial/by-id/|/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_TARV0001-if00-port0
EOF
else
    echo "no user namespace here: the offers for --port not checked"
fi
echo "completion checked"
