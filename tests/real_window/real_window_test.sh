#!/usr/bin/env bash
# Runs the built program on an X server of its own, with every serial device of the host hidden
# behind /dev/null and a lock directory of its own in a private mount namespace, so that no port
# can open and nothing reaches the host's shared locks, then checks the window as the X server,
# a window manager and a screen reader see it, and closes it with the title bar's close button.
#
# usage: real_window_test.sh PROGRAM X_WINDOW_HELPER [--openbox] [--installed]
#   --openbox    runs openbox as the window manager: the frame's buttons, its centring, no
#                resize, and the close button itself
#   --installed  the program is an installed one: the README that the window names must exist
# Exits 0 when all holds, 1 on a fault, 77 when the serial devices cannot be hidden here or a
# tool that the test needs is missing (the program is then not started at all: it must never
# reach a real port). The screen reader's view is checked where an accessibility bus can be
# started (dbus-daemon, at-spi2-core, python3-gi with gir1.2-atspi-2.0), and skipped elsewhere.
set -u

readonly skipped=77
readonly program=$1
readonly x_window=$2
shift 2
with_openbox=no
installed=no
for option in "$@"; do
    case $option in
    --openbox) with_openbox=yes ;;
    --installed) installed=yes ;;
    *)
        echo "unknown option $option" >&2
        exit 2
        ;;
    esac
done
here=$(cd "$(dirname "$0")" && pwd)
readonly here
readonly caption='Varnak Arbitrator Configuration V1.1 - No Comm Ports Available'
readonly width=546 height=469
readonly screen_width=1024 screen_height=768

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

skip() {
    echo "SKIPPED: $*"
    exit "$skipped"
}

# True once the child has ended: a dead child stays a zombie, which kill -0 still reaches,
# until it is waited for.
ended() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
    stat=${stat##*) }
    [ "${stat%% *}" = Z ]
}

# Waits up to $2 tenths of a second for child $1 to end.
await_end() {
    local tenths
    for ((tenths = 0; tenths < $2; ++tenths)); do
        ended "$1" && return 0
        sleep 0.1
    done
    ended "$1"
}

stop() {
    kill -TERM "$1" 2>/dev/null
    await_end "$1" 50 || kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

# Reads one line from fifo $1 within $2 seconds.
read_fifo() {
    local line=
    read -r -t "$2" line <"$1"
    echo "$line"
}

for tool in Xvfb xdotool unshare mount stat; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
if [ "$with_openbox" = yes ]; then
    command -v openbox >/dev/null || skip "openbox is not installed (scripts/setup.sh installs it)"
fi
[ -x "$program" ] || fail "$program is not an executable"

work=$(mktemp -d "${TMPDIR:-/tmp}/real-window.XXXXXX") || fail "no temporary directory"
xvfb_pid=
bus_pid=
openbox_pid=
watch_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && stop "$program_pid"
    [ -n "$watch_pid" ] && stop "$watch_pid"
    [ -n "$openbox_pid" ] && stop "$openbox_pid"
    [ -n "$xvfb_pid" ] && stop "$xvfb_pid"
    # The accessibility bus and its registry end with the session bus they were started from.
    [ -n "$bus_pid" ] && stop "$bus_pid"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# As root a mount namespace is enough; anyone else needs a user namespace to mount in.
unshare_args=(--mount --propagation private)
[ "$(id -u)" -eq 0 ] || unshare_args=(--user --map-root-user "${unshare_args[@]}")
if ! refusal=$(unshare "${unshare_args[@]}" true 2>&1); then
    skip "no private mount namespace to hide the serial devices in: unshare ${unshare_args[*]}: $refusal"
fi

# Nothing from the caller's desktop session: the program sees only the X server started here.
unset DISPLAY XAUTHORITY WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI QT_QPA_PLATFORM
unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON QT_ACCESSIBILITY
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home
export XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
export XDG_DATA_HOME=$work/home/.local/share
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"

# A session bus of this test's own with the accessibility bus on it, where they can start.
# shellcheck source=accessibility_bus.sh
source "$here/accessibility_bus.sh"
accessibility=
start_accessibility_bus "$work" || accessibility=$accessibility_refusal
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    # A session bus address that leads nowhere: with none at all, libdbus would try to launch a
    # bus of its own, which could outlive the test.
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-session-bus
fi

# -displayfd lets the server take the first free display number and say it once it is ready.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_number=$(read_fifo "$work/display" 60)
[ -n "$display_number" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$display_number

if [ "$with_openbox" = yes ]; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    openbox_pid=$!
    manager=
    for ((tenths = 0; tenths < 300; ++tenths)); do
        ended "$openbox_pid" && fail "openbox ended at start: $(cat "$work/openbox.log")"
        manager=$("$x_window" wm-name 2>/dev/null) && break
        sleep 0.1
    done
    [ -n "$manager" ] || fail "openbox did not take over the screen within 30 s"
    echo "window manager: $manager"
fi

# Every top-level window mapped or moved from now on, to see the window show where it stays.
"$x_window" watch >"$work/watch" 2>&1 &
watch_pid=$!
for ((tenths = 0; tenths < 300; ++tenths)); do
    grep -q '^ready$' "$work/watch" && break
    ended "$watch_pid" && fail "the X event watch ended: $(cat "$work/watch")"
    sleep 0.1
done
grep -q '^ready$' "$work/watch" || fail "the X event watch did not start within 30 s"

# Runs inside the namespace: hides each serial device, checks that each now is /dev/null, gives
# the namespace a lock directory of its own, and only then becomes the program. It leaves
# $1/masked behind just before it does.
# shellcheck disable=SC2016 # expanded by the inner shell, not here
mask_and_run='
set -u
shopt -s nullglob
declare -A devices=()
for path in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM*; do devices[$path]=1; done
# Any other tty with a device behind it is a serial port that the program could list too.
for link in /sys/class/tty/*/device; do
    name=${link%/device}
    name=${name##*/}
    [ -e "/dev/$name" ] && devices[/dev/$name]=1
done
for path in "${!devices[@]}"; do
    if ! mount --bind /dev/null "$path"; then
        echo "could not hide $path behind /dev/null" >&2
        exit 1
    fi
done
for path in "${!devices[@]}"; do
    if [ "$(stat -L -c "%F %t:%T" "$path")" != "character special file 1:3" ]; then
        echo "$path is still not /dev/null after hiding it" >&2
        exit 1
    fi
done
# The serial lock files go to /run/lock (/var/lock leads there on Debian, or is its own folder
# elsewhere): an empty one of this namespace only. A file left in it proves it private.
for lock in /run/lock /var/lock; do
    [ -d "$lock" ] && [ ! -L "$lock" ] || continue
    if ! mount -t tmpfs -o mode=1777 real-window-lock "$lock"; then
        echo "could not give the namespace its own $lock" >&2
        exit 1
    fi
    : >"$lock/$3"
done
echo "${!devices[@]}" >"$1/masked"
# Started in the background of this script, the program would find SIGINT ignored, and it keeps
# a signal that it was started ignoring: start it as from a terminal, with the defaults.
exec env --default-signal=INT,HUP,TERM "$2"
'
lock_marker=real-window-private.$$
# Starts the program in its namespace and waits for its window: sets program_pid and window.
start_program() {
    rm -f "$work/masked"
    unshare "${unshare_args[@]}" bash -c "$mask_and_run" mask_and_run "$work" "$program" \
        "$lock_marker" >"$work/program.log" 2>&1 &
    program_pid=$!
    local pattern="^${caption//./\\.}\$" tenths status
    window=
    for ((tenths = 0; tenths < 600; ++tenths)); do
        if ended "$program_pid"; then
            wait "$program_pid"
            status=$?
            program_pid=
            [ -e "$work/masked" ] ||
                skip "the serial devices could not be hidden, so the program was not started: $(cat "$work/program.log")"
            fail "the program ended with status $status before its window showed: $(cat "$work/program.log")"
        fi
        window=$(xdotool search --all --onlyvisible --pid "$program_pid" --name "$pattern" 2>/dev/null |
            head -n 1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] ||
        fail "no window captioned \"$caption\" showed within 60 s: $(cat "$work/program.log")"
}

start_program
echo "hidden serial devices: $(cat "$work/masked")"

problems=()
for lock in /run/lock /var/lock; do
    [ -e "$lock/$lock_marker" ] &&
        problems+=("the program's namespace wrote the host's $lock") && rm -f "$lock/$lock_marker"
done

owner=$(xdotool getwindowpid "$window" 2>/dev/null)
[ "$owner" = "$program_pid" ] ||
    problems+=("the window belongs to process ${owner:-unknown}, not to the program, $program_pid")

# The client area and the frame around it: "client X Y W H frame LEFT RIGHT TOP BOTTOM".
geometry() {
    "$x_window" frame "$window"
}
first_geometry=$(geometry) || problems+=("the window's geometry cannot be read")
read -r _ x y w h _ left right top bottom <<<"$first_geometry"
read -r sw sh < <(xdotool getdisplaygeometry)
echo "screen ${sw}x${sh}; window $window: client area ${w}x${h} at ($x, $y), frame edges $left $right $top $bottom"

[ "$sw" = "$screen_width" ] && [ "$sh" = "$screen_height" ] ||
    problems+=("the screen is ${sw}x${sh}, not the ${screen_width}x${screen_height} asked of Xvfb")
[ "$w" = "$width" ] && [ "$h" = "$height" ] ||
    problems+=("the client area is ${w}x${h}, not ${width}x${height}")
if [ "$with_openbox" = yes ] && ((top == 0)); then
    problems+=("openbox put no title bar on the window")
fi
# Centred: the outer frame's margins left and right (above and below) differ by at most the odd
# pixel.
frame_x=$((x - left)) frame_y=$((y - top))
frame_w=$((w + left + right)) frame_h=$((h + top + bottom))
dx=$((sw - frame_w - 2 * frame_x)) dy=$((sh - frame_h - 2 * frame_y))
((dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1)) ||
    problems+=("the frame is not centred: margins $frame_x and $((sw - frame_w - frame_x)) across, $frame_y and $((sh - frame_h - frame_y)) down")

# A window manager lets the user resize a window unless its least and greatest sizes agree.
hints=$("$x_window" size-hints "$window") || problems+=("the window's size hints cannot be read")
echo "size hints: $hints"
[ "$hints" = "min $width $height max $width $height" ] ||
    problems+=("the size hints, \"$hints\", do not fix the size at ${width}x${height}")
motif=$("$x_window" motif-hints "$window")
echo "Motif hints: $motif"
[ "$motif" = "functions move,close decorations border,title,menu" ] ||
    problems+=("the Motif hints, \"$motif\", do not ask for a fixed frame with a close button only")

if [ "$with_openbox" = yes ]; then
    actions=$("$x_window" allowed-actions "$window")
    echo "allowed actions: $actions"
    for action in MAXIMIZE_HORZ MAXIMIZE_VERT RESIZE; do
        [[ " $actions " == *" _NET_WM_ACTION_$action "* ]] &&
            problems+=("openbox allows _NET_WM_ACTION_$action")
    done
    # Openbox keeps minimising for every normal window, whatever its Motif hints ask (README).
    [[ " $actions " == *" _NET_WM_ACTION_MINIMIZE "* ]] &&
        echo "openbox keeps its minimise button, as it does for every normal window"
    [[ " $actions " == *" _NET_WM_ACTION_CLOSE "* ]] || problems+=("openbox does not allow closing")
    # Asked for another size, or to maximise it, the window manager keeps the fixed size.
    xdotool windowsize "$window" 700 600
    "$x_window" maximise "$window" || problems+=("the maximise request could not be sent")
fi

if [ -n "$accessibility" ]; then
    echo "screen reader check skipped: $accessibility"
else
    readme_option=()
    [ "$installed" = yes ] && readme_option=(--readme-exists)
    "$atspi_python" "$here/atspi_names.py" "$program_pid" "${readme_option[@]}"
    case $? in
    0) ;;
    "$skipped") echo "screen reader check skipped: the program did not appear on the bus" ;;
    *) problems+=("a screen reader does not find what it should") ;;
    esac
fi

# Nothing moved or resized since the window first showed: no jump once the frame was known.
sleep 0.5
last_geometry=$(geometry)
[ "$last_geometry" = "$first_geometry" ] ||
    problems+=("the window moved or changed size after it showed: \"$first_geometry\", then \"$last_geometry\"")
# From the X server's own account: the top-level window (the frame, under a window manager)
# was mapped where it stands and never moved after.
if outer=$("$x_window" top-level "$window"); then
    grep -q "^map $outer\$" "$work/watch" || problems+=("the X server never reported $outer mapped")
    # Where it was when mapped, then each later place that differs from that one.
    places=$(awk -v id="$outer" '
        $1 == "configure" && $2 == id {
            place = "(" $3 ", " $4 ")"
            if (mapped && place != at_map) print place
            if (!mapped) at_map = place
        }
        $1 == "map" && $2 == id && !mapped { mapped = 1; print "mapped at " at_map }
    ' "$work/watch")
    echo "the top-level window as the X server reported it: $(tr '\n' ' ' <<<"$places")"
    [ "$places" = "mapped at ($frame_x, $frame_y)" ] ||
        problems+=("the window did not show where it stands, ($frame_x, $frame_y), and stay: $(tr '\n' ' ' <<<"$places")")
else
    problems+=("the window's top-level window cannot be found")
fi

if [ "$with_openbox" = yes ]; then
    # The close button is the title bar's last, as far from the frame's top right corner as
    # from its top: a press in its middle.
    close_x=$((frame_x + frame_w - top / 2 - 1)) close_y=$((frame_y + top / 2))
    xdotool mousemove "$close_x" "$close_y" click 1
    closing="a click on the close button at ($close_x, $close_y)"
elif "$x_window" close "$window"; then
    closing="the close request"
else
    closing=
    problems+=("the close request could not be sent")
fi
# Waits up to 10 s for the program to end after what $1 names, and expects exit status 0.
expect_clean_end() {
    local status
    if await_end "$program_pid" 100; then
        wait "$program_pid"
        status=$?
        program_pid=
        echo "exit status after $1: $status"
        [ "$status" -eq 0 ] || problems+=("the program ended with status $status, not 0, after $1")
    else
        problems+=("the program was still running 10 s after $1")
    fi
}
[ -n "$closing" ] && expect_clean_end "$closing"

# A signal to end closes the window as the close button does: the program ends with status 0.
for signal in TERM INT HUP; do
    start_program
    kill "-$signal" "$program_pid"
    expect_clean_end "SIG$signal"
done

if [ ${#problems[@]} -gt 0 ]; then
    printf 'FAIL: %s\n' "${problems[@]}" >&2
    echo "program output:" >&2
    cat "$work/program.log" >&2
    exit 1
fi
echo "PASS"
