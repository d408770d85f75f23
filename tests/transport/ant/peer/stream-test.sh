#!/usr/bin/env bash
# Two tarnix-antpeer processes stream through a stand-in server of their own over real UDP on the
# loopback.
#
#   stream-test.sh --server PROGRAM --receiver PROGRAM --sender PROGRAM --bytes N [--kill receiver|sender]
#
# A program ending in .exe runs under Wine (tools/wine-run; WINEPREFIX must be set, ./test does).
# Without --kill both peers must report ok, the receiver having checked every byte. With --kill,
# that peer is killed once the receiver has taken some bytes; the other must then end by itself
# and report fail, within its 20 s silence limit and a generous margin.
# Exit 0 on success, 1 on failure, 77 (skipped) when a program is missing.
set -u

here=$(cd "$(dirname "$0")" && pwd)
wine_run=$(cd "$here/../../../.." && pwd)/tools/wine-run
server= receiver= sender= bytes= victim=
while [ $# -gt 0 ]; do
    case "$1" in
        --server) server=$2; shift 2 ;;
        --receiver) receiver=$2; shift 2 ;;
        --sender) sender=$2; shift 2 ;;
        --bytes) bytes=$2; shift 2 ;;
        --kill) victim=$2; shift 2 ;;
        *) echo "stream-test: unknown argument $1"; exit 1 ;;
    esac
done
for program in "$server" "$receiver" "$sender"; do
    if [ ! -x "$program" ]; then
        echo "SKIP: $program is missing (build it first, e.g. ./test native for the native programs)"
        exit 77
    fi
done

# Limits of one test: the stream's is TARNIX_TEST_LIMIT (ctest sets it and ends the test 120 s
# later); everything must be over before ctest's end, and whatever this script started must end
# even if it is killed itself (the peers have their own time-out, the server is started under one).
readonly STREAM_LIMIT=${TARNIX_TEST_LIMIT:-200}
readonly START_LIMIT=30 KILL_AFTER_LIMIT=120 SURVIVOR_LIMIT=60 SERVER_LIMIT=$((STREAM_LIMIT + 90))

work=$(mktemp -d /tmp/tarnix-stream.XXXXXX)
pids=()
none_running() { ! running_any; }
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    within 5 none_running
    # The server runs under timeout, in timeout's own process group: killing timeout alone
    # would leave behind a server that hangs on its way out (seen: in the leak check at exit,
    # spinning on a core for good).
    [ -n "${server_pid:-}" ] && kill -9 -- "-$server_pid" 2>/dev/null
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

log_names=(server receiver sender)
source "$here/processes.sh"

start server timeout "$SERVER_LIMIT" "$server" --port 0 --address 127.0.0.1 --outbox "$work/outbox" --report-log "$work/reports.log"
port=$(wait_for server 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p')
[ -n "$port" ] || failed "the server did not start"

key=$(printf '%08x%08x' $RANDOM$RANDOM $$)
common=(--server "127.0.0.1:$port" --key "$key" --seed $RANDOM --timeout-ms $((STREAM_LIMIT * 1000)))
started=$(date +%s)
start receiver "$receiver" --id 1001 --peer 1002 --receive "$bytes" "${common[@]}"
start sender "$sender" --id 1002 --peer 1001 --send "$bytes" "${common[@]}"

both_ended() { gone "$receiver_pid" && gone "$sender_pid"; }
if [ -z "$victim" ]; then
    within $((STREAM_LIMIT + 30)) both_ended
    running "$receiver_pid" && failed "the receiver did not end"
    running "$sender_pid" && failed "the sender did not end"
    wait "$receiver_pid"; receiver_rc=$?
    wait "$sender_pid"; sender_rc=$?
    echo "receiver: $(line_of receiver) (exit $receiver_rc)"
    echo "sender:   $(line_of sender) (exit $sender_rc)"
    [[ $(line_of receiver) == "ok bytes=$bytes "* && $receiver_rc -eq 0 ]] || failed "the receiver did not get every byte"
    [[ $(line_of sender) == "ok bytes=$bytes "* && $sender_rc -eq 0 ]] || failed "the sender did not finish"
    echo "PASS: $bytes bytes in $(($(date +%s) - started)) s, byte-exact"
    exit 0
fi

case "$victim" in
    receiver) victim_pid=$receiver_pid survivor=sender survivor_pid=$sender_pid ;;
    sender) victim_pid=$sender_pid survivor=receiver survivor_pid=$receiver_pid ;;
    *) echo "stream-test: --kill receiver or --kill sender"; exit 1 ;;
esac
stream_going() { grep -q '^progress bytes=[1-9]' "$work/receiver.err" 2>/dev/null; }
stream_going_or_over() { stream_going || gone "$receiver_pid" || gone "$sender_pid"; }
within "$KILL_AFTER_LIMIT" stream_going_or_over
stream_going || failed "the stream never got going"
running "$victim_pid" || failed "the $victim ended before it could be killed"
kill -9 "$victim_pid"
killed=$(date +%s)
within "$SURVIVOR_LIMIT" gone "$survivor_pid"
running "$survivor_pid" && failed "the $survivor still runs $SURVIVOR_LIMIT s after the $victim vanished"
wait "$survivor_pid"; survivor_rc=$?
echo "$survivor: $(line_of "$survivor") (exit $survivor_rc), $(($(date +%s) - killed)) s after the $victim was killed"
[[ $(line_of "$survivor") == "fail "* && $survivor_rc -ne 0 ]] || failed "the $survivor did not report the failure"
echo "PASS"
exit 0
