#!/usr/bin/env bash
# A newcomer runs the demo on a machine without a display: it shows a station flashing four units
# in the terminal, then screenshots of both windows, and leaves nothing behind but those: no file
# in the build folder or the home folder, no temporary folder, no process, and no warning among
# the lines it prints. Usage: demo_test.sh <build folder>
set -euo pipefail
# A pipeline ends in a reader of all its input (grep >/dev/null, not grep -q): a reader that stops
# early leaves the writer to die of SIGPIPE, which pipefail reports as a failure now and then.
build=$(realpath "$1")
demo=$(cd "$(dirname "$0")/../.." && pwd)/scripts/demo
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvellon-demo-test.XXXXXX")
# The demo runs in a session of its own, so that whatever it leaves running is found by that.
session=""
trap '[ -z "$session" ] || pkill -KILL -s "$session" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    sed 's/^/demo: /' "$work/output" >&2
    exit 1
}

mkdir "$work/home" "$work/tmp"
ls -A "$build" >"$work/build-before"
status=0
setsid --wait bash -c 'echo $$ >"$0"; exec "$@"' "$work/session" \
    env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR HOME="$work/home" TMPDIR="$work/tmp" \
    "$demo" "$build" >"$work/output" 2>&1 </dev/null || status=$?
session=$(cat "$work/session")
[ "$status" -eq 0 ] || fail "the demo ended with exit $status"

# The station in the terminal: four units flashed and passed.
for unit in 1 2 3 4; do
    grep -E "TV24000$unit +PASS\$" "$work/output" >/dev/null || fail "unit $unit did not pass"
done
grep -F "passed 4, failed 0" "$work/output" >/dev/null || fail "no totals of four passed units"
if grep -E "XDG_RUNTIME_DIR|QStandardPaths|^qt\.|[Ww]arning|: line [0-9]+: " "$work/output"; then
    fail "a warning or an error of the shell in the demo's output"
fi

# The two screenshots, each the size of its window, and nothing else left in the temporary folder.
upgrader=$(sed -n 's/^  \(.*\.png\) *the upgrader mid-upgrade$/\1/p' "$work/output")
station=$(sed -n 's/^  \(.*\.png\) *the station window$/\1/p' "$work/output")
file "$upgrader" | grep -F "PNG image data, 640 x 480" >/dev/null || fail "no screenshot of the upgrader"
file "$station" | grep -F "PNG image data, 1280 x 800" >/dev/null || fail "no screenshot of the station"
left=$(cd "$work/tmp" && ls -A | grep -v -x -e "$(basename "$upgrader")" -e "$(basename "$station")" || true)
[ -z "$left" ] || fail "left in the temporary folder: $left"
[ -z "$(ls -A "$work/home")" ] || fail "left in the home folder: $(ls -A "$work/home")"
ls -A "$build" | diff "$work/build-before" - >/dev/null || fail "left in the build folder: $(ls -A "$build" | diff "$work/build-before" -)"
left=$(ps -o pid=,stat=,args= -s "$session" || true)
[ -z "$left" ] || fail "processes left: $left"
echo "demo checked"
