#!/usr/bin/env bash
# Runs a Qt test program on an X server of its own with an accessibility bus (AT-SPI) of its
# own, where Qt's bridge to assistive technology comes up and hands out its events. The test
# program sees CONFIGURATOR_ACCESSIBILITY_BUS set and may then count on the bridge.
#
# usage: on_accessibility_bus.sh TEST_PROGRAM [ARGUMENT...]
# Exits with the test program's status, or 77 when Xvfb or the bus cannot start here.
set -u

readonly skipped=77
here=$(cd "$(dirname "$0")" && pwd)
readonly here

skip() {
    echo "SKIPPED: $*"
    exit "$skipped"
}

command -v Xvfb >/dev/null || skip "Xvfb is not installed (scripts/setup.sh installs it)"

work=$(mktemp -d "${TMPDIR:-/tmp}/accessibility-bus.XXXXXX") || exit 1
xvfb_pid=
bus_pid=
cleanup() {
    for pid in $xvfb_pid $bus_pid; do
        kill -TERM "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

unset DISPLAY XAUTHORITY WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"

# shellcheck source=accessibility_bus.sh
source "$here/accessibility_bus.sh"
start_accessibility_bus "$work" || skip "$accessibility_refusal"

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_number=
read -r -t 60 display_number <"$work/display"
[ -n "$display_number" ] || skip "Xvfb did not start: $(cat "$work/xvfb.log")"

DISPLAY=:$display_number QT_QPA_PLATFORM=xcb CONFIGURATOR_ACCESSIBILITY_BUS=1 "$@"
