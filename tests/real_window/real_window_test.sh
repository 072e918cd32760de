#!/usr/bin/env bash
# Runs the built program on an X server of its own, with every serial device of the host hidden
# behind /dev/null in a private mount namespace so that no port can open, then checks the window
# as the X server sees it and closes it the way a window manager's close button does.
#
# usage: real_window_test.sh PROGRAM X_WINDOW_HELPER
# Exits 0 when all holds, 1 on a fault, 77 when the serial devices cannot be hidden here (the
# program is then not started at all: it must never reach a real port).
set -u

readonly skipped=77
readonly program=$1
readonly x_window=$2
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

work=$(mktemp -d "${TMPDIR:-/tmp}/real-window.XXXXXX") || fail "no temporary directory"
xvfb_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && stop "$program_pid"
    [ -n "$xvfb_pid" ] && stop "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

for tool in Xvfb xdotool unshare mount stat; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done
[ -x "$program" ] || fail "$program is not an executable"

# As root a mount namespace is enough; anyone else needs a user namespace to mount in.
unshare_args=(--mount --propagation private)
[ "$(id -u)" -eq 0 ] || unshare_args=(--user --map-root-user "${unshare_args[@]}")
if ! refusal=$(unshare "${unshare_args[@]}" true 2>&1); then
    skip "no private mount namespace to hide the serial devices in: unshare ${unshare_args[*]}: $refusal"
fi

# Nothing from the caller's desktop session: the program sees only the X server started here.
unset DISPLAY XAUTHORITY WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$work/runtime
# A session bus address that leads nowhere: with none at all, libdbus would try to launch a bus
# of its own, which could outlive the test.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-session-bus
mkdir -m 700 "$XDG_RUNTIME_DIR"

# -displayfd lets the server take the first free display number and say it once it is ready.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_number=
read -r -t 60 display_number <"$work/display"
[ -n "$display_number" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$display_number

# Runs inside the namespace: hides each serial device, checks that each now is /dev/null, and
# only then becomes the program. It leaves $1/masked behind just before it does.
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
echo "${!devices[@]}" >"$1/masked"
exec "$2"
'
# Starts the program in its namespace and waits for its window: sets program_pid and window.
start_program() {
    rm -f "$work/masked"
    unshare "${unshare_args[@]}" bash -c "$mask_and_run" mask_and_run "$work" "$program" \
        >"$work/program.log" 2>&1 &
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
        window=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] ||
        fail "no window captioned \"$caption\" showed within 60 s: $(cat "$work/program.log")"
}

start_program
echo "hidden serial devices: $(cat "$work/masked")"

problems=()
owner=$(xdotool getwindowpid "$window" 2>/dev/null)
[ "$owner" = "$program_pid" ] ||
    problems+=("the window belongs to process ${owner:-unknown}, not to the program, $program_pid")

x='' y='' w='' h=''
while IFS='=' read -r key value; do
    case $key in
    X) x=$value ;;
    Y) y=$value ;;
    WIDTH) w=$value ;;
    HEIGHT) h=$value ;;
    esac
done < <(xdotool getwindowgeometry --shell "$window")
read -r sw sh < <(xdotool getdisplaygeometry)
echo "screen ${sw}x${sh}; window $window: client area ${w}x${h} at ($x, $y)"

[ "$sw" = "$screen_width" ] && [ "$sh" = "$screen_height" ] ||
    problems+=("the screen is ${sw}x${sh}, not the ${screen_width}x${screen_height} asked of Xvfb")
[ "$w" = "$width" ] && [ "$h" = "$height" ] ||
    problems+=("the client area is ${w}x${h}, not ${width}x${height}")
# Centred: the margins left and right (above and below) differ by at most the odd pixel.
if [ -n "$x" ] && [ -n "$y" ] && [ -n "$w" ] && [ -n "$h" ] && [ -n "$sw" ] && [ -n "$sh" ]; then
    dx=$((sw - w - 2 * x)) dy=$((sh - h - 2 * y))
    ((dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1)) ||
        problems+=("the window is not centred: margins $x and $((sw - w - x)) across, $y and $((sh - h - y)) down")
fi

# A window manager lets the user resize a window unless its least and greatest sizes agree.
hints=$("$x_window" size-hints "$window") || problems+=("the window's size hints cannot be read")
echo "size hints: $hints"
[ "$hints" = "min $width $height max $width $height" ] ||
    problems+=("the size hints, \"$hints\", do not fix the size at ${width}x${height}")

if "$x_window" close "$window"; then
    if await_end "$program_pid" 100; then
        wait "$program_pid"
        status=$?
        program_pid=
        echo "exit status after the close request: $status"
        [ "$status" -eq 0 ] || problems+=("the program ended with status $status, not 0, when asked to close")
    else
        problems+=("the program was still running 10 s after the close request")
    fi
else
    problems+=("the close request could not be sent")
fi

# A signal to end closes the window as the close button does: the program ends with status 0.
for signal in TERM INT HUP; do
    start_program
    kill "-$signal" "$program_pid"
    if await_end "$program_pid" 100; then
        wait "$program_pid"
        status=$?
        program_pid=
        echo "exit status after SIG$signal: $status"
        [ "$status" -eq 0 ] || problems+=("the program ended with status $status, not 0, on SIG$signal")
    else
        problems+=("the program was still running 10 s after SIG$signal")
    fi
done

if [ ${#problems[@]} -gt 0 ]; then
    printf 'FAIL: %s\n' "${problems[@]}" >&2
    echo "program output:" >&2
    cat "$work/program.log" >&2
    exit 1
fi
echo "PASS"
