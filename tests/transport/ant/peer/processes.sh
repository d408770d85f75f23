# Shared by the stream-test scripts: background processes with their output in $work, and the
# checks on them. The script sets work, wine_run, pids=() and log_names=(...) before it sources
# this file, and keeps its own clean-up.
# shellcheck source=../../../support/within.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../../support/within.sh"

start() { # name [timeout S] program args...: runs it in the background, output in $work/name.{out,err}
    local name=$1 limit=()
    shift
    if [ "$1" = timeout ]; then
        limit=(timeout "$2")
        shift 2
    fi
    local program=$1
    shift
    if [[ $program == *.exe ]]; then
        "${limit[@]}" "$wine_run" "$program" "$@" >"$work/$name.out" 2>"$work/$name.err" &
    else
        "${limit[@]}" "$program" "$@" >"$work/$name.out" 2>"$work/$name.err" &
    fi
    pids+=($!)
    eval "${name}_pid=$!"
}

running() { kill -0 "$1" 2>/dev/null; }

gone() { ! running "$1"; }

running_any() {
    local pid
    for pid in "${pids[@]}"; do
        running "$pid" && return 0
    done
    return 1
}

show_logs() {
    local name
    for name in "${log_names[@]}"; do
        echo "--- $name stdout"; tr -d '\r' <"$work/$name.out" 2>/dev/null | tail -n 5
        echo "--- $name stderr"; tr -d '\r' <"$work/$name.err" 2>/dev/null | tail -n 15
    done
}

failed() {
    echo "FAIL: $*"
    show_logs
    exit 1
}

line_of() { tr -d '\r' <"$work/$1.out" 2>/dev/null | tail -n 1; }

# wait_for NAME SED-SCRIPT: the first match in NAME's stdout, within START_LIMIT seconds and
# while NAME runs.
wait_for() {
    local found= alive pid_var="${1}_pid" end=$((SECONDS + START_LIMIT))
    while :; do
        running "${!pid_var}" && alive=1 || alive=0
        # Read after the check, so a line written just before the end is still found.
        found=$(tr -d '\r' <"$work/$1.out" | sed -n "$2")
        [ -n "$found" ] || [ "$alive" = 0 ] || [ "$SECONDS" -gt "$end" ] && break
        sleep 0.1
    done
    echo "$found"
}
