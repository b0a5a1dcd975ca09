#!/bin/sh
# Closes the program's window while a query is fetching, and while a page has just arrived: the
# process must end at once and cleanly.
# Usage: close_while_querying.sh PROGRAM SITE PORT   (needs a display with a window manager)
set -eu
program=$1
site=$2
port=$3
work=$(mktemp -d)
export LANCHUAN_DRIVES="$work/drives"
sitePid=
cleanup() {
    [ -n "$sitePid" ] && kill "$sitePid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_for() {
    tries=0
    until eval "$1"; do
        tries=$((tries + 1))
        [ "$tries" -ge "$2" ] && return 1
        sleep 0.1
    done
}

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
        kill "$app"
        return 1
    fi
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$app" | head -n 1)
    xdotool windowactivate --sync "$window" key Escape
    # At once: well before the 30 s the stalled fetch would take.
    if ! wait_for "! kill -0 $app 2>/dev/null" 50; then
        echo "$mode: the program still runs 5 s after its window was closed" >&2
        kill -9 "$app"
        return 1
    fi
    status=0
    wait "$app" || status=$?
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
