# Shell helpers for the tests and scripts that drive the program's real window. Source it.

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_for() {
    tries=0
    until eval "$1"; do
        tries=$((tries + 1))
        [ "$tries" -ge "$2" ] && return 1
        sleep 0.1
    done
}

# Prints the id of the visible top-level window of process $1, waiting up to 20 s for it.
# One walk of the window tree is racy: windows that other clients (the window manager measuring a
# frame, WebKit probing for GL) make and destroy within milliseconds can vanish under xdotool,
# which then dies with BadWindow. So a failed walk is simply walked again.
program_window() {
    tries=0
    while [ "$tries" -lt 200 ]; do
        found=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1) || found=
        if [ -n "$found" ]; then
            echo "$found"
            return 0
        fi
        kill -0 "$1" 2>/dev/null || return 1
        tries=$((tries + 1))
        sleep 0.1
    done
    return 1
}
