#!/usr/bin/env bash
# Builds the package and tries it out of a throwaway root, the way a bench PC gets it: the menu
# entry, icon and device rule are where desktops and udev look, the rule opens bridges to the
# user at the desk both ways, the simulated bridge is not in the package, the command line
# answers, and the installed window starts in the home folder, keeps its settings in the user's
# own folder (also as root, who could write beside it), lists the simulated devices and finds its
# settings there at the next start; the station window, from its own menu entry, flashes the
# simulated units through the command line installed beside it. Runs from a clone in a folder
# others cannot enter, as root or not. Usage: package_test.sh <build folder>
set -euo pipefail
# A pipeline ends in a reader of all its input (grep >/dev/null, not grep -q): a reader that stops
# early leaves the writer to die of SIGPIPE, which pipefail reports as a failure now and then.
build=$1
scripts=$(cd "$(dirname "$0")/../.." && pwd)/scripts
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvellon-package.XXXXXX")
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; chmod -R u+w "$work"; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    [ ! -s "$work/window.log" ] || sed 's/^/window: /' "$work/window.log" >&2
    exit 1
}

wait_for() { "$scripts/wait-for-lines" "$1" "$2" || fail "no line '$2' in $1"; }

cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >/dev/null
deb=$(echo "$work"/cpack/*.deb)
root=$work/root
dpkg-deb -x "$deb" "$root"

# What a desktop and udev read.
entry=$root/usr/share/applications/tarvellon-upgrader.desktop
desktop-file-validate "$entry"
program=$(sed -n 's/^Exec=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
wm_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -x "$root/usr/bin/$program" ] || fail "the menu entry starts $program, which is not installed"
# The upgrader's menu icon is one drawing at every size, not the window's own small pictures.
for size in 16 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png
    file "$png" | grep "$size x $size" >/dev/null || fail "no $size-pixel icon $icon"
    rsvg-convert -w "$size" -h "$size" -o "$work/drawn.png" \
        "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg"
    compare -metric AE "$png" "$work/drawn.png" null: 2>/dev/null ||
        fail "the $size-pixel icon $icon is not its drawing"
done
rules=$root/usr/lib/udev/rules.d/60-tarvellon-upgrader.rules
[ -f "$rules" ] || fail "no device rule for udev"
if udevadm verify --help >/dev/null 2>&1; then
    udevadm verify --no-summary "$rules" || fail "udevadm finds faults in the device rule"
fi
# The seat's user gets the bridge as a USB device (the vendor's library) and as a serial port
# (the kernel's driver); members of plugdev get the USB device without a seat.
rule_for() {
    grep -v '^#' "$rules" | grep -F "SUBSYSTEM==\"$1\"" | grep -F "$2" | grep -F 'TAG+="uaccess"' |
        grep . >/dev/null || fail "no rule gives the seat's user the $1 devices of FTDI bridges"
}
rule_for usb 'ATTR{idVendor}=="0403"'
rule_for tty 'ATTRS{idVendor}=="0403"'
grep -v '^#' "$rules" | grep -F 'SUBSYSTEM=="usb"' | grep -F 'GROUP="plugdev"' >/dev/null ||
    fail "the device rule no longer opens bridges to plugdev"
if dpkg-deb -c "$deb" | grep libftd2xx >/dev/null; then fail "the package carries a D2XX library"; fi
zcat "$root/usr/share/doc/tarvellon-upgrader/changelog.gz" | sed -n 1p |
    grep -F "($(dpkg-deb -f "$deb" Version))" >/dev/null || fail "the changelog lacks this version"

# What a user reads names every program the package installs: its description and changelog, its
# README and each manual page; and how the bridges are opened, for the person at the desk
# (uaccess) and over ssh (plugdev). The README is a user's, with no developer's script in it.
programs=$(ls "$root/usr/bin")
description=$(dpkg-deb -f "$deb" Description)
changes=$(zcat "$root/usr/share/doc/tarvellon-upgrader/changelog.gz" | sed -n '1,/^ -- /p')
readme=$root/usr/share/doc/tarvellon-upgrader/README.md
for program in $programs; do
    grep -F -- "$program" <<<"$description" >/dev/null || fail "the package's description lacks $program"
    grep -F -- "$program" <<<"$changes" >/dev/null || fail "the changelog lacks $program"
    grep -F -- "$program" "$readme" >/dev/null || fail "the README lacks $program"
    page=$(zcat "$root/usr/share/man/man1/$program.1.gz")
    files=$(sed -n '/^\.SH "\?FILES"\?$/,/^\.SH/p' <<<"$page")
    # The line window reaches the broker, never a bridge.
    for word in 60\\-tarvellon\\-upgrader.rules uaccess plugdev; do
        [ "$program" = tarvellon-line ] || grep -F -- "$word" <<<"$files" >/dev/null ||
            fail "the manual page of $program lacks $word in FILES"
    done
    for other in $programs; do
        sed -n '/^\.SH "\?SEE ALSO"\?$/,/^\.SH/p' <<<"$page" | grep -F -- "$other (1)" >/dev/null ||
            [ "$other" = "$program" ] || fail "the manual page of $program does not refer to $other"
    done
done
for text in "$description" "$changes"; do
    grep -F uaccess <<<"$text" >/dev/null || fail "no word of uaccess in: $text"
done
if grep -E 'scripts/|ctest|cmake' "$readme"; then fail "the installed README is the developer's"; fi
for place in '~/.config/tarvellon-upgrader/database.ini' '~/.config/tarvellon-station/station.ini' \
    tarvellon-records.jsonl; do
    grep -F -- "$place" "$readme" >/dev/null || fail "the README does not say where $place is"
done
# On a minimal system only bash-completion loads the completion.
dpkg-deb -f "$deb" Recommends | grep -w bash-completion >/dev/null ||
    fail "the package does not recommend bash-completion"

# The station and line windows: each its own menu entry, icon and manual page, and each answers
# without a display.
window_entry() {
    local entry=$root/usr/share/applications/$1.desktop starts icon size
    desktop-file-validate "$entry"
    starts=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -x "$root/usr/bin/$starts" ] || fail "the menu entry $1 starts $starts, which is not installed"
    for size in 16 32 48 64 128 256; do
        file "$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png" |
            grep "$size x $size" >/dev/null || fail "no $size-pixel icon $icon"
    done
    zcat "$root/usr/share/man/man1/$starts.1.gz" | grep -F -- "$2" >/dev/null ||
        fail "the manual page of $starts lacks its options"
    env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$starts" --version | grep . >/dev/null ||
        fail "$starts --version printed nothing"
}
window_entry tarvellon-station '\-\-slots'
window_entry tarvellon-line '\-\-broker'
station_entry=$root/usr/share/applications/tarvellon-station.desktop
station=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$station_entry")

if [ -x "$build/tarvellon-flash" ]; then
    flash=$root/usr/bin/tarvellon-flash
    "$flash" --version | grep . >/dev/null || fail "tarvellon-flash --version printed nothing"
    page=$(zcat "$root/usr/share/man/man1/tarvellon-flash.1.gz")
    for command in list identify upgrade station info line; do
        grep -w "$command" <<<"$page" >/dev/null || fail "the manual page of tarvellon-flash lacks $command"
    done
    grep -q -- --latency-ms <<<"$page" ||
        fail "the manual page of tarvellon-flash lacks the options of upgrade"
    # The sections a reader of a manual page looks for, each with what it is for.
    section() { sed -n "/^\.SH \"\?$1\"\?\$/,/^\.SH/p" <<<"$page"; }
    section EXAMPLES | grep -F 'upgrade firmware.frw' >/dev/null || fail "no EXAMPLES"
    section "EXIT STATUS" | grep -x 74 >/dev/null || fail "no EXIT STATUS with 74"
    section "JSON OUTPUT" | grep 'fBschema_version' >/dev/null || fail "no JSON OUTPUT"
    section FILES | grep 'tarvellon\\-records.jsonl' >/dev/null || fail "no FILES"
    section ENVIRONMENT | grep LD_LIBRARY_PATH >/dev/null || fail "no ENVIRONMENT"
    [ -f "$root/usr/share/bash-completion/completions/tarvellon-flash" ] || fail "no bash completion"
else
    echo "no tarvellon-flash in this build: its checks skipped"
fi

# Everything the window reads lies in the work folder, open to all: the build folder may be in a
# home folder that others cannot enter. The simulated bridge is a copy there, out of the package.
home=$work/home
# The windows' temporary files go there too: a window ended by a signal leaves them behind.
mkdir -p "$home/images" "$home/tmp" "$work/sim-bridge"
cp "$build/sample-images/three-records.frw" "$home/images/"
cp -P "$build"/sim-bridge/libftd2xx.so* "$work/sim-bridge/"
chmod -R a+rX "$work"
transcript=$home/transcript
printf 'transcript = %s\n' "$transcript" >"$home/sim.conf"
for serial in TARV0001 TARV0002; do printf 'device = %s\nkey = µTARVEL0\n' "$serial"; done >>"$home/sim.conf"
# Started as the program itself, with nothing between, so that its process is the one ended.
as_user=()
start_window() {
    "${as_user[@]}" env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        TMPDIR="$home/tmp" "$@" \
        LD_LIBRARY_PATH="$work/sim-bridge" TARVELLON_SIM_CONFIG="$home/sim.conf" \
        "$root/usr/bin/$program" >>"$work/window.log" 2>&1 &
    pids+=($!)
}
settings=$home/.config/$program/database.ini

# First start, as the user running the test, also root: nothing remembered, so the window shows
# the home folder and remembers it, in the user's folder. It starts elsewhere, or it would have
# no folder change to remember.
cd "$work"
start_window QT_QPA_PLATFORM=offscreen
wait_for "$settings" "^$home"$'\r''$'
kill "${pids[-1]}"
[ ! -e "$root/usr/bin/database.ini" ] || fail "database.ini was written beside the program"

# Next start, as a user who cannot write to the program's folder: nobody when the test runs as
# root.
if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$home"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi
chmod a-w "$root/usr/bin"

# On a virtual display: the remembered folder and file come back. The operator
# clicks the first device, moves to the second and upgrades it with the remembered file, which
# the simulated bridge's transcript shows.
printf 'file\r\npath\r\n%s\r\nfile\r\nfile\r\nthree-records.frw\r\n' "$home/images" >"$settings"
Xvfb -displayfd 3 -noreset -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for "$work/display" .
DISPLAY=:$(cat "$work/display")
export DISPLAY
start_window DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb
window=$("$scripts/find-window" "$wm_class") ||
    fail "no window of class $wm_class"
# Desktops tell the window's class apart from others by its exact text.
class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*, "\(.*\)"$/\1/p')
[ "$class" = "$wm_class" ] || fail "the window's class is $class, the menu entry's $wm_class"
# Points in the window's fixed layout: the device list's first row, then the upgrade button.
xdotool windowfocus --sync "$window" mousemove --window "$window" 60 350 click 1
wait_for "$transcript" "close TARV0001"
xdotool key Down
wait_for "$transcript" "close TARV0002"
xdotool mousemove --window "$window" 540 384 click 1
# "monitor": the device took the key of the remembered file in the remembered folder.
wait_for "$transcript" "command TARV0002 6d 6f 6e 69 74 6f 72"
[ ! -e "$root/usr/bin/database.ini" ] || fail "database.ini was written beside the program"

# The installed station window, started with an image, shows the class its menu entry names and
# flashes the units through the command line installed beside it.
station_class=$(sed -n 's/^StartupWMClass=//p' "$station_entry")
(cd "$home" && exec "${as_user[@]}" env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    TMPDIR="$home/tmp" \
    DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb LD_LIBRARY_PATH="$work/sim-bridge" \
    TARVELLON_SIM_CONFIG="$home/sim.conf" "$root/usr/bin/$station" --record "$home/records.jsonl" \
    "$home/images/three-records.frw" >>"$work/window.log" 2>&1) &
pids+=($!)
station_window=$("$scripts/find-window" "$station_class") ||
    fail "no window of class $station_class"
class=$(xprop -id "$station_window" WM_CLASS | sed -n 's/.*, "\(.*\)"$/\1/p')
[ "$class" = "$station_class" ] || fail "the station's class is $class, its menu entry's $station_class"
wait_for "$home/records.jsonl" '"outcome":"upgraded"'
echo "package $(basename "$deb") checked"
