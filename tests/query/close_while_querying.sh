#!/bin/sh
# Closes the program's window while a query is fetching, and while a page has just arrived: the
# process must end at once and cleanly.
# Usage: close_while_querying.sh PROGRAM SITE PORT   (needs a display with a window manager)
set -eu
program=$1
site=$2
port=$3
here=$(dirname "$0")
work=$(mktemp -d)
export LANCHUAN_DRIVES="$work/drives"
sitePid=
app=
cleanup() {
    # Whatever went wrong, nothing we started may outlive the test: a leftover program would hold
    # ctest's output pipe open until its time-out.
    [ -n "$app" ] && kill -9 "$app" 2>/dev/null || true
    [ -n "$sitePid" ] && kill "$sitePid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# shellcheck source=../gui_helpers.sh
. "$here/../gui_helpers.sh"

"$site" --port "$port" --log "$work/site.log" >/dev/null 2>&1 &
sitePid=$!
wait_for "curl -sf http://127.0.0.1:$port/control/fault?mode=none >/dev/null" 50

close_during() {
    mode=$1
    curl -s "http://127.0.0.1:$port/control/fault?mode=$mode" >/dev/null
    : >"$work/site.log"
    "$program" &
    app=$!
    if ! wait_for "grep -q '/weather/' \"\$work/site.log\"" 100; then
        echo "$mode: the first query never reached the site" >&2
        return 1
    fi
    if ! window=$(program_window "$app"); then
        echo "$mode: the program's window did not appear" >&2
        return 1
    fi
    xdotool windowactivate --sync "$window" key Escape
    # At once: well before the 30 s the stalled fetch would take.
    if ! wait_for "! kill -0 $app 2>/dev/null" 50; then
        echo "$mode: the program still runs 5 s after its window was closed" >&2
        return 1
    fi
    status=0
    wait "$app" || status=$?
    app=
    if [ "$status" -ne 0 ]; then
        echo "$mode: the program ended with status $status" >&2
        return 1
    fi
    echo "$mode: closed while querying, ended cleanly"
}

close_during stall
for round in 1 2 3; do
    close_during none
done
