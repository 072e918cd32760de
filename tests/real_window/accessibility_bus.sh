# shellcheck shell=bash
# Sourced by the tests that need an accessibility bus (AT-SPI) of their own.
#
# start_accessibility_bus WORK_DIR
#   Starts a session bus of the test's own and the accessibility bus on it, as a desktop session
#   does at login, and exports DBUS_SESSION_BUS_ADDRESS and QT_LINUX_ACCESSIBILITY_ALWAYS_ON so
#   that Qt programs join it. Sets bus_pid to the session bus's process: stopping it ends the
#   accessibility bus and its registry too. On failure returns 1 and leaves the reason in
#   accessibility_refusal, with DBUS_SESSION_BUS_ADDRESS unset.
# Read by the scripts that source this one.
# shellcheck disable=SC2034
readonly atspi_python=/usr/bin/python3

start_accessibility_bus() {
    local work=$1 address reply
    bus_pid=
    accessibility_refusal=
    if ! command -v dbus-daemon >/dev/null || ! command -v dbus-send >/dev/null; then
        accessibility_refusal="dbus-daemon or dbus-send is not installed"
    elif [ ! -x /usr/libexec/at-spi-bus-launcher ]; then
        accessibility_refusal="at-spi2-core is not installed"
    elif ! "$atspi_python" -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null; then
        accessibility_refusal="$atspi_python cannot load the AT-SPI client (python3-gi, gir1.2-atspi-2.0)"
    fi
    [ -z "$accessibility_refusal" ] || return 1

    mkfifo "$work/bus"
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/bus" \
        >"$work/bus.log" 2>&1 &
    bus_pid=$!
    address=
    read -r -t 30 address <"$work/bus"
    if [ -z "$address" ]; then
        accessibility_refusal="the session bus did not start: $(cat "$work/bus.log")"
        return 1
    fi
    export DBUS_SESSION_BUS_ADDRESS=$address
    if ! reply=$(timeout 30 dbus-send --session --print-reply --dest=org.a11y.Bus \
        /org/a11y/bus org.a11y.Bus.GetAddress 2>&1); then
        accessibility_refusal="the accessibility bus did not start: $reply"
        unset DBUS_SESSION_BUS_ADDRESS
        return 1
    fi
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}
