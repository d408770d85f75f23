#!/usr/bin/env bash
# End-to-end transfers between two copies of the transfer engine (tarnix-transferpeer) that
# meet through the stand-in server, optionally each behind an impairment relay.
#
#   e2e.sh CASE
# Environment: SERVER (server program), UP and DOWN (uploader's and downloader's program, each
# possibly "wine X.exe"), RELAY (relay program, for the relay cases), WORK (scratch folder),
# TARNIX_TEST_LIMIT (seconds the transfer may take; ctest sets it, the peers get it too; the
# numbers in the cases below are only for a run by hand). Exit 77 (skipped) when a program is
# missing or, for the over-4-GiB file, the disk is too small.
# Every case starts its own server on a free port and stops all it started.
set -uo pipefail
case_name=${1:?usage: e2e.sh CASE}
# shellcheck source=../../../support/within.sh
. "$(dirname "$0")/../../../support/within.sh"
: "${SERVER:?}" "${UP:?}" "${DOWN:?}"
WORK=${WORK:-$(mktemp -d /tmp/tarnix-e2e.XXXXXX)}
mkdir -p "$WORK"
for prog in "$SERVER" "${UP%% *}" "${DOWN%% *}"; do
    [ -x "$prog" ] || { echo "SKIP: $prog is not built"; exit 77; }
done
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    [ "${KEEP_WORK:-0}" = 1 ] || rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$WORK"/*.log; do echo "--- $f"; tail -n 20 "$f"; done; exit 1; }

# The case's own limit for the transfer; the peers end themselves at the same point.
LIMIT=${TARNIX_TEST_LIMIT:-}
peer_limit=()
[ -n "$LIMIT" ] && peer_limit=(--timeout-ms $((LIMIT * 1000)))

UP_USER=11111111111111111111111111111111
DOWN_USER=22222222222222222222222222222222
FILE_ID=0123456789ABCDEF0123456789ABCDEF

# The server picks a free port for TCP and UDP alike and says which.
start_server() {
    "$SERVER" --port 0 --outbox "$WORK/outbox" --report-log "$WORK/reports.log" \
        >"$WORK/server.out" 2>"$WORK/server.log" &
    pids+=($!)
    wait_line "$WORK/server.out" listening 10 || fail "server did not start"
    PORT=$(sed -n 's/.*listening on [0-9.]*:\([0-9]*\).*/\1/p' "$WORK/server.out")
}

# start_relay NAME LAST_OCTET SWITCHES...: a relay for one copy at 127.0.0.N; sets RELAY_ADDR.
start_relay() {
    local name=$1 octet=$2; shift 2
    "$RELAY" --listen "127.0.0.$octet:0" --server "127.0.0.1:$PORT" "$@" \
        >"$WORK/relay-$name.out" 2>"$WORK/relay-$name.log" &
    pids+=($!)
    wait_line "$WORK/relay-$name.out" listening 10 || fail "relay did not start"
    RELAY_ADDR=$(sed -n 's/.*listening on \([0-9.]*:[0-9]*\).*/\1/p' "$WORK/relay-$name.out")
}

# start_up SERVER_ADDR [extra...]: the uploader offering $WORK/source; stdin from a fifo.
start_up() {
    local server=$1; shift
    mkfifo "$WORK/up.in" 2>/dev/null
    # shellcheck disable=SC2086
    $UP --server "$server" --user $UP_USER --offer "$FILE_ID=$(native_path "$UP" "$WORK/source")" "${peer_limit[@]}" "$@" \
        <"$WORK/up.in" >"$WORK/up.out" 2>"$WORK/up.log" &
    UP_PID=$!
    pids+=($UP_PID)
    exec 7>"$WORK/up.in"
    wait_line "$WORK/up.out" online 60 || fail "uploader never came online"
}

# start_down SERVER_ADDR: the downloader writing $WORK/received.
start_down() {
    local server=$1; shift
    rm -f "$WORK/down.in"; mkfifo "$WORK/down.in"
    # shellcheck disable=SC2086
    $DOWN --server "$server" --user $DOWN_USER --download $UP_USER $FILE_ID "$(native_path "$DOWN" "$WORK/received")" \
        "${peer_limit[@]}" "$@" <"$WORK/down.in" >>"$WORK/down.out" 2>>"$WORK/down.log" &
    DOWN_PID=$!
    pids+=($DOWN_PID)
    exec 8>"$WORK/down.in"
}

# A Unix path as the program sees it (Wine maps / to drive Z:).
native_path() {
    case "$1" in
        *wine*) echo "Z:${2//\//\\}" ;;
        *) echo "$2" ;;
    esac
}

has_line() { grep -q -- "$2" "$1" 2>/dev/null; }
gone() { ! kill -0 "$1" 2>/dev/null; }

wait_line() { within "$3" has_line "$1" "$2"; } # FILE PATTERN SECONDS
wait_exit() { within "$2" gone "$1"; }          # PID SECONDS

# Waits until the download has written its first bytes: transfers now run on every core, so
# a case that acts mid-transfer acts on this, never after a fixed sleep.
wait_part() { within 30 test -s "$WORK/received.part"; }

expect_same() {
    cmp "$WORK/source" "$WORK/received" || fail "received file differs from the source"
}

make_source() {
    local kind=$1 size=$2
    case "$kind" in
        random) head -c "$size" /dev/urandom >"$WORK/source" ;;
        text) yes "The quick brown fox jumps over the lazy dog $RANDOM and sends a file." |
                  head -c "$size" >"$WORK/source" ;;
        # Random and text in alternating runs of 4 MB: blocks that compress and blocks that do not.
        mixed) local left=$size run=$((4 * 1000 * 1000)) n
               : >"$WORK/source"
               while [ "$left" -gt 0 ]; do
                   n=$((left < run ? left : run))
                   head -c "$n" /dev/urandom >>"$WORK/source"; left=$((left - n))
                   n=$((left < run ? left : run))
                   yes "The quick brown fox jumps over the lazy dog and sends a file." | head -c "$n" >>"$WORK/source"
                   left=$((left - n))
               done ;;
        sparse) truncate -s "$size" "$WORK/source"
                head -c 100000 /dev/urandom | dd of="$WORK/source" conv=notrunc status=none
                head -c 100000 /dev/urandom | dd of="$WORK/source" bs=1 seek=$((size - 100000)) conv=notrunc status=none ;;
    esac
}

# Downloads the source once; the downloader must end with "ok".
plain_transfer() {
    local limit=${LIMIT:-${1:-240}}
    start_server
    start_up "127.0.0.1:$PORT"
    start_down "127.0.0.1:$PORT"
    wait_line "$WORK/down.out" '^ok\|^fail' "$limit" || fail "download did not finish in ${limit}s"
    grep -q '^ok' "$WORK/down.out" || fail "download failed: $(grep '^fail' "$WORK/down.out")"
    expect_same
    grep '^ok' "$WORK/down.out"
}

case "$case_name" in
    empty)    make_source random 0; plain_transfer ;;
    one)      make_source random 1; plain_transfer ;;
    block)    make_source random 65536; plain_transfer ;;
    block1)   make_source text 65537; plain_transfer ;;
    large)    make_source text $((${E2E_LARGE_MB:-300} * 1000 * 1000)); plain_transfer 900 ;;
    huge)
        avail=$(df --output=avail -k "$WORK" | tail -n1)
        if [ "$avail" -lt $((12 * 1024 * 1024)) ]; then
            echo "SKIP: less than 12 GiB free for the over-4-GiB file"; exit 77
        fi
        make_source sparse $(( (4 << 30) + 123457 )); plain_transfer 1800 ;;
    pause)
        # Text compresses on every core now: pause as soon as the first blocks are written.
        make_source text $((100 * 1000 * 1000))
        start_server; start_up "127.0.0.1:$PORT"; start_down "127.0.0.1:$PORT"
        wait_line "$WORK/down.out" 'closed' 1 && fail "closed too early"
        wait_part
        echo pause >&8
        wait_line "$WORK/down.out" 'closed 0 4' 60 || fail "pause did not close the session"
        sleep 2; echo resume >&8
        wait_line "$WORK/down.out" '^ok\|^fail' "${LIMIT:-300}" || fail "resumed download did not finish"
        grep -q '^ok' "$WORK/down.out" || fail "resumed download failed"
        expect_same ;;
    cancel-down)
        make_source random $((200 * 1000 * 1000))
        start_server; start_up "127.0.0.1:$PORT"; start_down "127.0.0.1:$PORT"
        wait_part || fail "the download never started"
        echo cancel >&8
        wait_line "$WORK/down.out" 'fail closed-3' 60 || fail "cancel did not end the download"
        wait_line "$WORK/up.out" 'closed 1 3' 30 || fail "the uploader did not hear the cancel" ;;
    cancel-up)
        make_source random $((200 * 1000 * 1000))
        start_server; start_up "127.0.0.1:$PORT"; start_down "127.0.0.1:$PORT"
        wait_line "$WORK/up.out" 'command' 1
        wait_part || fail "the download never started"
        echo cancel-offers >&7
        wait_line "$WORK/down.out" 'closed 1 3\|fail closed-3' 60 || fail "the downloader did not hear the cancel" ;;
    false-complete)
        # The uploader claims "completed" mid-file: the download is interrupted, not complete,
        # and resumes from its part file.
        make_source text $((80 * 1000 * 1000))
        start_server; start_up "127.0.0.1:$PORT"; start_down "127.0.0.1:$PORT"
        wait_part
        echo complete-offers >&7
        wait_line "$WORK/down.out" '^interrupted' 60 || fail "the false completion did not interrupt the download"
        grep -q '^ok\|^fail' "$WORK/down.out" && fail "the download ended on the false completion"
        grep -q 'closed 1 2' "$WORK/down.out" && fail "the record heard a completion"
        wait_line "$WORK/down.out" '^ok\|^fail' "${LIMIT:-280}" || fail "interrupted download did not finish"
        grep -q '^ok' "$WORK/down.out" || fail "interrupted download failed"
        expect_same ;;
    up-returns)
        make_source text $((40 * 1000 * 1000))
        start_server; start_up "127.0.0.1:$PORT"; start_down "127.0.0.1:$PORT"
        wait_part || fail "the download never started"
        kill "$UP_PID"; wait "$UP_PID" 2>/dev/null
        sleep 2
        : >"$WORK/up.out"; rm -f "$WORK/up.in"
        start_up "127.0.0.1:$PORT"
        wait_line "$WORK/down.out" '^ok\|^fail' "${LIMIT:-280}" || fail "download did not finish after the uploader came back"
        grep -q '^ok' "$WORK/down.out" || fail "download failed"
        expect_same ;;
    down-restarts)
        make_source text $((40 * 1000 * 1000))
        start_server; start_up "127.0.0.1:$PORT"; start_down "127.0.0.1:$PORT"
        wait_part || fail "the download never started"
        kill -9 "$DOWN_PID"; wait "$DOWN_PID" 2>/dev/null
        [ -f "$WORK/received.part" ] || fail "no partial file after the first run"
        start_down "127.0.0.1:$PORT"
        wait_line "$WORK/down.out" '^ok\|^fail' "${LIMIT:-280}" || fail "restarted download did not finish"
        grep -q '^ok' "$WORK/down.out" || fail "restarted download failed"
        expect_same ;;
    speed-off-down|speed-off-up)
        # One copy with every way of sending faster switched off (TARNIX_SPEED_OFF), the other
        # with them on: a mixed file still arrives whole.
        make_source mixed $((${E2E_SPEED_MB:-40} * 1000 * 1000))
        start_server
        side=${case_name#speed-off-}
        [ "$side" = up ] && export TARNIX_SPEED_OFF=all
        start_up "127.0.0.1:$PORT"
        unset TARNIX_SPEED_OFF
        [ "$side" = down ] && export TARNIX_SPEED_OFF=all
        start_down "127.0.0.1:$PORT"
        unset TARNIX_SPEED_OFF
        wait_line "$WORK/down.out" '^ok\|^fail' "${LIMIT:-280}" || fail "download did not finish"
        grep -q '^ok' "$WORK/down.out" || fail "download failed: $(grep '^fail' "$WORK/down.out")"
        expect_same
        grep '^ok' "$WORK/down.out" ;;
    relay-1|relay-10)
        : "${RELAY:?}"
        loss=${case_name#relay-}
        make_source random $((${E2E_RELAY_MB:-10} * 1000 * 1000))
        start_server
        imp=(--loss "$loss" --duplicate 1 --reorder 2 --corrupt "${E2E_CORRUPT:-0.01}" --seed 7)
        # One relay for both copies: every datagram between them passes the sender's up link
        # and the receiver's down link, as through two NATs on a bad path.
        start_relay shared 21 "${imp[@]}"
        start_up "$RELAY_ADDR"; start_down "$RELAY_ADDR"
        wait_line "$WORK/down.out" '^ok\|^fail' "${LIMIT:-280}" || fail "download through the relays did not finish"
        grep -q '^ok' "$WORK/down.out" || fail "download through the relays failed"
        expect_same ;;
    file)
        # For the transfer benchmark: SOURCE is sent as it is; RELAY_ARGS, when set, put both
        # copies behind one relay with those switches.
        : "${SOURCE:?}"
        ln -s "$(realpath "$SOURCE")" "$WORK/source"
        start_server
        server="127.0.0.1:$PORT"
        if [ -n "${RELAY_ARGS:-}" ]; then
            # shellcheck disable=SC2086
            start_relay shared 23 $RELAY_ARGS
            server=$RELAY_ADDR
        fi
        start_up "$server"; start_down "$server"
        wait_line "$WORK/down.out" '^ok\|^fail' "${LIMIT:-1800}" || fail "download did not finish"
        grep -q '^ok' "$WORK/down.out" || fail "download failed: $(grep '^fail' "$WORK/down.out")"
        expect_same
        grep '^ok' "$WORK/down.out" ;;
    *) echo "unknown case $case_name"; exit 2 ;;
esac
echo "PASS $case_name"
