#!/usr/bin/env bash
# Two tarnix-antpeer processes stream through a stand-in server of their own, both behind one
# impairment relay (a NAT that hairpins their datagrams to each other through its links).
#
#   relay-stream-test.sh --server P --relay P --receiver P --sender P --bytes N [--expect exact|ends]
#                        -- RELAY_SWITCHES...
#
# The switches after -- impair the relay's links (tarnix-relay --help). A program ending in .exe
# runs under Wine (tools/wine-run), on the caller's WINEPREFIX or on a private one set up here.
# --expect exact (default): both peers report ok and the receiver has checked every byte.
# --expect ends: both peers end by themselves within the limits, whatever they report; for links
# that corrupt datagrams, which the transport carries unchecked (the blocks above it have
# checksums), so a corrupt payload may reach the receiver's check.
# Exit 0 on success, 1 on failure, 77 (skipped) when a program is missing.
set -u

here=$(cd "$(dirname "$0")" && pwd)
wine_run=$(cd "$here/../.." && pwd)/tools/wine-run
server= relay= receiver= sender= bytes= expect=exact
while [ $# -gt 0 ]; do
    case "$1" in
        --server) server=$2; shift 2 ;;
        --relay) relay=$2; shift 2 ;;
        --receiver) receiver=$2; shift 2 ;;
        --sender) sender=$2; shift 2 ;;
        --bytes) bytes=$2; shift 2 ;;
        --expect) expect=$2; shift 2 ;;
        --) shift; break ;;
        *) echo "relay-stream-test: unknown argument $1"; exit 1 ;;
    esac
done
impairments=("$@")
for program in "$server" "$relay" "$receiver" "$sender"; do
    if [ ! -x "$program" ]; then
        echo "SKIP: $program is missing (./test native builds the native programs, ./test win32 or win64 the Wine peer)"
        exit 77
    fi
done
own_wine=0
if [[ $receiver == *.exe || $sender == *.exe ]] && [ -z "${WINEPREFIX:-}" ]; then
    # Run from the native build: a Wine set-up of our own, on a private prefix.
    source "$(dirname "$wine_run")/wine-env.sh" "" >/dev/null 2>&1 || { echo "SKIP: Wine cannot be set up"; exit 77; }
    own_wine=1
fi

# Limits of one test: the stream's is TARNIX_TEST_LIMIT (ctest sets it and ends the test 120 s
# later).
readonly START_LIMIT=60 STREAM_LIMIT=${TARNIX_TEST_LIMIT:-240}

work=$(mktemp -d /tmp/tarnix-relay-stream.XXXXXX)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    [ "${#pids[@]}" -gt 0 ] && wait "${pids[@]}" 2>/dev/null
    # Its display server runs on as our child too: stop it rather than wait for it.
    [ "$own_wine" = 1 ] && tarnix_wine_stop >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

log_names=(server relay receiver sender)
source "$here/../transport/ant/peer/processes.sh"

start server "$server" --port 0 --address 127.0.0.1 --outbox "$work/outbox" --report-log "$work/reports.log"
port=$(wait_for server 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p')
[ -n "$port" ] || failed "the server did not start"

# An inside address of its own, so that tests running side by side never share a relay.
inside="127.$((RANDOM % 200 + 30)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 2))"
start relay "$relay" --listen "$inside:0" --server "127.0.0.1:$port" --seed $RANDOM "${impairments[@]}"
at=$(wait_for relay 's/^relay: listening on \([0-9.]*:[0-9]*\) .*/\1/p')
[ -n "$at" ] || failed "the relay did not start"

key=$(printf '%08x%08x' $RANDOM$RANDOM $$)
common=(--server "$at" --key "$key" --seed $RANDOM --timeout-ms $((STREAM_LIMIT * 1000)))
started=$(date +%s)
start receiver "$receiver" --id 1001 --peer 1002 --receive "$bytes" "${common[@]}"
start sender "$sender" --id 1002 --peer 1001 --send "$bytes" "${common[@]}"

both_ended() { gone "$receiver_pid" && gone "$sender_pid"; }
within $((STREAM_LIMIT + 40)) both_ended
running "$receiver_pid" && failed "the receiver did not end"
running "$sender_pid" && failed "the sender did not end"
wait "$receiver_pid"; receiver_rc=$?
wait "$sender_pid"; sender_rc=$?
kill -USR1 "$relay_pid" 2>/dev/null
echo "receiver: $(line_of receiver) (exit $receiver_rc)"
echo "sender:   $(line_of sender) (exit $sender_rc)"
elapsed=$(($(date +%s) - started))
if [ "$expect" = ends ]; then
    [[ $(line_of receiver) == ok* || $(line_of receiver) == fail* ]] || failed "the receiver gave no final line"
    [[ $(line_of sender) == ok* || $(line_of sender) == fail* ]] || failed "the sender gave no final line"
    echo "PASS: both ended within $elapsed s"
    exit 0
fi
[[ $(line_of receiver) == "ok bytes=$bytes "* && $receiver_rc -eq 0 ]] || failed "the receiver did not get every byte"
[[ $(line_of sender) == "ok bytes=$bytes "* && $sender_rc -eq 0 ]] || failed "the sender did not finish"
echo "PASS: $bytes bytes in $elapsed s through the relay (${impairments[*]}), byte-exact"
exit 0
