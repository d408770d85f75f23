#!/usr/bin/env bash
# End to end between two copies of the application core (tarnix-corepeer) under Wine that meet
# through the native stand-in server: A mails a link, B opens it and receives the files.
#
#   e2e.sh CASE        (cases: link, link-restart, restart, uploader-restart, sleeping, hostile, pending)
# Environment: SERVER (native server), PEER (tarnix-corepeer.exe), UPLOADER (tarnix-transferpeer,
# for the hostile case), WABSTUB (the stand-in address-book library, for the pending case),
# DISPLAY and the Wine of tools/wine-env.sh (./test sources it), TARNIX_TEST_LIMIT (seconds the
# case may take; ctest sets it).
# Each copy has a folder of its own (its program, XML files and downloads) and a Wine prefix of
# its own, a fresh copy of the prepared template (its own HKCU and HKLM, so its own user id and
# settings under the program's own key). Exit 0 on success, 1 on failure, 77 when a program or
# Wine is missing.
set -u
case_name=${1:?usage: e2e.sh CASE}
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$(cd "$here/../../.." && pwd)/tools/wine-run
: "${SERVER:?}" "${PEER:?}"
for program in "$SERVER" "$PEER"; do
    [ -x "$program" ] || { echo "SKIP: $program is missing"; exit 77; }
done
# The copies' prefixes share the caller's display; without one, wine-env.sh would start a
# display server per copy that nobody stops.
[ -n "${DISPLAY:-}" ] && [ -n "${TARNIX_WINE:-}" ] || { echo "SKIP: no Wine set up (source tools/wine-env.sh)"; exit 77; }
work=$(mktemp -d /tmp/tarnix-core-e2e.XXXXXX)
pids=()
log_names=(server a b)
START_LIMIT=60
LIMIT=${TARNIX_TEST_LIMIT:-900}
cleanup() {
    local p
    exec 7>&- 8>&- 2>/dev/null
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    # Each copy's wineserver lingers (wine-env.sh starts it persistent): stop it with its prefix.
    for p in "$work"/*.prefix; do
        [ -d "$p" ] && WINEPREFIX=$p "$TARNIX_WINESERVER" -k >/dev/null 2>&1
    done
    [ "${KEEP_WORK:-0}" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source=../../transport/ant/peer/processes.sh
. "$here/../../transport/ant/peer/processes.sh"

# The whole case ends within LIMIT, saying so, before ctest's own timeout would kill it
# without a word. Waits are short sleeps (tests/support/within.sh), so the trap runs at once.
trap 'failed "the case did not finish within ${LIMIT} s"' USR1
( sleep "$LIMIT" && kill -USR1 $$ ) >/dev/null 2>&1 &
pids+=($!)

winpath() { echo "Z:${1//\//\\}"; }

# make_copy NAME: the copy's folder (its program, XML files and downloads), its input pipe and
# its Wine prefix, a copy of the template with its own persistent wineserver.
make_copy() {
    local name=$1
    mkdir -p "$work/$name/down"
    cp "$PEER" "$work/$name/tarnix-corepeer.exe"
    mkfifo "$work/$name.in"
    (source "$here/../../../tools/wine-env.sh" "$work/$name.prefix") >/dev/null 2>&1 ||
        failed "no Wine prefix for $name"
}

# start_copy NAME FD: a copy started again keeps its folder and prefix.
start_copy() {
    local name=$1 fd=$2
    [ -d "$work/$name" ] || make_copy "$name"
    # Read-write, so that neither end waits for the other to open.
    eval "exec $fd<>\"$work/$name.in\""
    # Not through start: a background job without a redirection of its own reads /dev/null.
    WINEPREFIX="$work/$name.prefix" "$wine_run" "$work/$name/tarnix-corepeer.exe" --email "$name@test" \
        --downloads "$(winpath "$work/$name/down")" <"$work/$name.in" >>"$work/$name.out" 2>>"$work/$name.err" &
    pids+=($!)
    eval "${name}_pid=$!"
}

wait_online() { # NAME COUNT: the copy said "online" COUNT times in all
    wait_count "$1" '^online' "$2" 60 || failed "$1 never came online"
}

start_server() { # [PORT]
    "$SERVER" --port "${1:-0}" --outbox "$work/outbox" --report-log "$work/reports.log" \
        >"$work/server.out" 2>>"$work/server.err" &
    server_pid=$!
    pids+=($server_pid)
}

# count_lines NAME PATTERN: lines of NAME's output matching the extended regex.
count_lines() { tr -d '\r' <"$work/$1.out" | grep -cE "$2"; }

# send_link FILE...: A mails b@test a link to the files; $tnl is then its link file in the outbox.
send_link() {
    local files="" f
    for f in "$@"; do files="$files $(winpath "$f")"; done
    echo "send$files to b@test" >&7
    within 20 has_link
    tnl=$(ls "$work"/outbox/*.tnl 2>/dev/null | head -n 1)
    [ -n "$tnl" ] || failed "no link file in the outbox"
}

# list_records NAME: the records NAME lists now ("record ..." lines answering "list").
list_records() {
    local fd=$([ "$1" = a ] && echo 7 || echo 8) before
    before=$(wc -l <"$work/$1.out")
    echo list >&"$fd"
    sleep 1
    tail -n +"$((before + 1))" "$work/$1.out" | tr -d '\r' | grep '^record '
}

# first_record_after NAME LINE: the first "record" line NAME printed after line LINE.
first_record_after() { tail -n +"$(($2 + 1))" "$work/$1.out" | tr -d '\r' | grep -m 1 '^record '; }

# user_id NAME: the copy's user id (kept for the machine) as the report log writes it
# (8-4-4-16 lower-case hex).
user_id() {
    WINEPREFIX="$work/$1.prefix" "$wine_run" reg query 'HKLM\Software\Tarnix' /v UserId 2>/dev/null | tr -d '\r' |
        sed -n 's/.*REG_BINARY *\([0-9A-Fa-f]\{32\}\).*/\1/p' | tr 'A-F' 'a-f' |
        sed 's/^\(.\{8\}\)\(.\{4\}\)\(.\{4\}\)/\1-\2-\3-/'
}

# list_file NAME: NAME's "DUList.xml" as text, one "type status" line per record.
list_file() {
    iconv -f UTF-16LE -t UTF-8 "$work/$1/DUList.xml" 2>/dev/null | sed 's/<file>/\n/g' |
        sed -n 's/.*<type>\([0-9]*\)<\/type>.*<td_status>\([0-9]*\)<\/td_status>.*/\1 \2/p'
}

has_record_after() { [ -n "$(first_record_after "$1" "$2")" ]; } # NAME LINE
has_link() { ls "$work"/outbox/*.tnl >/dev/null 2>&1; }
has_lines() { [ "$(count_lines "$1" "$2")" -ge "$3" ]; } # NAME PATTERN COUNT
wait_count() { within "$4" has_lines "$1" "$2" "$3"; }  # NAME PATTERN COUNT SECONDS
# A record may be printed as completed more than once: completion counts records, not lines.
done_records() { tr -d '\r' <"$work/$1.out" | sed -nE "s/^record ([0-9]+) $2 7 .*/\\1/p" | sort -u | wc -l; } # NAME TYPE
has_done() { [ "$(done_records "$1" "$2")" -ge "$3" ]; }                                                          # NAME TYPE COUNT
wait_done() { within "$4" has_done "$1" "$2" "$3"; }                                                              # NAME TYPE COUNT SECONDS

start_server
port=$(wait_for server 's/.*listening on [0-9.]*:\([0-9]*\).*/\1/p')
[ -n "$port" ] || failed "server did not start"
export TARNIX_SERVER_HOST=127.0.0.1 TARNIX_SERVER_PORT=$port

case "$case_name" in
link)
    head -c 1 /dev/urandom >"$work/one.bin"
    head -c 3000000 /dev/urandom >"$work/three.bin"
    start_copy a 7
    wait_online a 1
    send_link "$work/one.bin" "$work/three.bin"
    mail=${tnl%.tnl}.xml
    [ "$(ls "$work"/outbox/*.xml | wc -l)" = 1 ] && [ "$(ls "$work"/outbox/*.tnl | wc -l)" = 1 ] ||
        failed "the outbox does not hold one mail and its link: $(ls "$work/outbox")"
    grep -q FLEmail "$mail" || failed "the mail is no FLEmail"
    [ "$(grep -o '<File>' "$mail" | wc -l)" = 2 ] || failed "the mail does not list two files"
    grep -q '<Size>3000001</Size>' "$mail" || failed "the mail lacks the total size: $(cat "$mail")"
    a_user=$(user_id a)
    [ -n "$a_user" ] || failed "no user id in A's settings"
    [ "$(grep -c " $a_user UL" "$work/reports.log")" = 2 ] ||
        failed "not two UL reports for A's user $a_user: $(cat "$work/reports.log")"
    wait_count a '^record [0-9]+ 1 15 ' 2 20 || failed "A's uploads are not awaiting approval"
    [ "$(list_file a | grep -c '^1 15$')" = 2 ] || failed "A's DUList.xml does not list both uploads in 15: $(list_file a)"

    start_copy b 8
    wait_online b 1
    echo "open $(winpath "$tnl")" >&8
    wait_count b '^opened' 1 20 || failed "B did not open the link"
    wait_count b '^record [0-9]+ 2 ' 1 20 || failed "B made no record"
    grep -q " DA{.}{" "$work/reports.log" || failed "no DA report"
    wait_done b 2 2 240 || failed "B's downloads did not complete"
    # One record from the link, the second from A's answer.
    [ "$(tr -d '\r' <"$work/b.out" | sed -n 's/^record \([0-9]*\) 2 .*/\1/p' | sort -u | wc -l)" = 2 ] ||
        failed "B does not have two download records"
    cmp "$work/one.bin" "$work/b/down/one.bin" || failed "one.bin differs"
    cmp "$work/three.bin" "$work/b/down/three.bin" || failed "three.bin differs"
    wait_done a 1 2 30 || failed "A's uploads did not complete"
    [ "$(grep -c ' DC' "$work/reports.log")" = 2 ] || failed "not two DC reports"
    grep -q ' DC{.}{[^}]*}{.}1{.}' "$work/reports.log" && grep -q ' DC{.}{[^}]*}{.}3000000{.}' "$work/reports.log" ||
        failed "the DC reports lack the sizes: $(grep ' DC' "$work/reports.log")"
    iconv -f UTF-16LE -t UTF-8 "$work/b/AddressBook.xml" 2>/dev/null | grep -q 'a@test' ||
        failed "A's address is not in B's address book"
    # Both started again: the same records, completed, and nothing starts.
    moves=$(count_lines b '^record [0-9]+ 2 [0-6] ')
    echo quit >&7
    echo quit >&8
    wait "$a_pid" "$b_pid" 2>/dev/null
    exec 7>&- 8>&-
    start_copy a 7
    start_copy b 8
    wait_online a 2
    wait_online b 2
    sleep 3
    wait_count a '^record [0-9]+ 1 7 ' 4 10 || failed "A's list did not come back completed"
    wait_count b '^record [0-9]+ 2 7 ' 4 10 || failed "B's list did not come back completed"
    [ "$(count_lines b '^record [0-9]+ 2 [0-6] ')" = "$moves" ] || failed "a download started again"
    [ "$(grep -c ' DC' "$work/reports.log")" = 2 ] || failed "a download was done twice"
    [ "$(ls "$work/b/down" | wc -l)" = 2 ] || failed "stray files in B's folder: $(ls "$work/b/down")"
    echo quit >&7
    echo quit >&8
    ;;
link-restart)
    # A link of three files survives A's restart before B opens it: A's answer still names all
    # three, and B receives them byte-exact.
    head -c 70000 /dev/urandom >"$work/f1.bin"
    head -c 1 /dev/urandom >"$work/f2.bin"
    head -c 200000 /dev/urandom >"$work/f3.bin"
    start_copy a 7
    wait_online a 1
    send_link "$work/f1.bin" "$work/f2.bin" "$work/f3.bin"
    wait_count a '^record [0-9]+ 1 15 ' 3 20 || failed "A's uploads are not awaiting approval"
    echo quit >&7
    wait "$a_pid" 2>/dev/null
    exec 7>&-
    start_copy a 7
    wait_online a 2
    start_copy b 8
    wait_online b 1
    echo "open $(winpath "$tnl")" >&8
    wait_done b 2 3 90 || failed "B's downloads did not all complete: $(list_records b)"
    for f in f1 f2 f3; do
        cmp "$work/$f.bin" "$work/b/down/$f.bin" || failed "$f.bin differs"
    done
    echo quit >&7
    echo quit >&8
    ;;
restart|uploader-restart)
    # One copy (B, or A for uploader-restart) is killed in the middle of a file and started
    # again: it finds its list, the download resumes by itself and ends byte-exact, with no
    # second record.
    head -c 300000000 /dev/urandom >"$work/big.bin"
    start_copy a 7
    wait_online a 1
    send_link "$work/big.bin"
    start_copy b 8
    wait_online b 1
    echo "open $(winpath "$tnl")" >&8
    # Past a third of the file: the list has been saved while the file moved (at most every
    # 30 s), so the restart need not fetch it all again.
    past_a_third() { [ "$(stat -c %s "$work"/b/down/~* 2>/dev/null || echo 0)" -gt 100000000 ]; }
    within "$LIMIT" past_a_third
    victim=b fd=8
    [ "$case_name" = uploader-restart ] && victim=a fd=7
    pid_var="${victim}_pid"
    kill -9 "${!pid_var}"
    wait "${!pid_var}" 2>/dev/null
    eval "exec $fd>&-"
    [ ! -e "$work/b/down/big.bin" ] || failed "the file was complete before the kill"
    tr -d '\r' <"$work/b.out" | grep -q '^record 1 2 ' || failed "B had no record before the kill"
    saved=$(iconv -f UTF-16LE -t UTF-8 "$work/b/DUList.xml" 2>/dev/null | grep '</files>' |
        sed -n 's/.*<transfered_size>\([0-9]*\)<.*/\1/p')
    [ -n "$saved" ] || failed "B's DUList.xml was not whole before the restart"
    [ "$case_name" = uploader-restart ] || [ "$saved" -gt 0 ] ||
        failed "B's list kept no progress before it was killed"
    lines=$(wc -l <"$work/$victim.out")
    start_copy $victim $fd
    # Its record comes back Suspended before anything resumes it.
    type=2
    [ "$victim" = a ] && type=1
    within 30 has_record_after $victim "$lines"
    first_record_after $victim "$lines" | grep -qE "^record [0-9]+ $type 6 " ||
        failed "$victim's record did not come back Suspended: $(first_record_after $victim "$lines")"
    wait_online $victim 2
    wait_count b '^record [0-9]+ 2 7 ' 1 "$LIMIT" || failed "B's download did not complete after the restart"
    cmp "$work/big.bin" "$work/b/down/big.bin" || failed "big.bin differs"
    records=$(list_records b)
    [ "$(echo "$records" | grep -c '^record ')" = 1 ] && echo "$records" | grep -qE '^record [0-9]+ 2 7 300000000 ' ||
        failed "B does not list one completed record: $records"
    [ "$(ls "$work/b/down" | wc -l)" = 1 ] || failed "stray files in B's folder: $(ls "$work/b/down")"
    [ "$(grep -c ' DC' "$work/reports.log")" = 1 ] || failed "not one DC report"
    wait_count a '^record [0-9]+ 1 7 ' 1 30 || failed "A's upload did not complete"
    # Both started again: the same record each, completed, and nothing starts.
    echo quit >&7
    echo quit >&8
    wait "$a_pid" "$b_pid" 2>/dev/null
    exec 7>&- 8>&-
    lines_b=$(wc -l <"$work/b.out")
    online_a=$(count_lines a '^online') online_b=$(count_lines b '^online')
    start_copy a 7
    start_copy b 8
    wait_online a $((online_a + 1))
    wait_online b $((online_b + 1))
    sleep 3
    records=$(list_records a)
    [ "$(echo "$records" | grep -c '^record ')" = 1 ] && echo "$records" | grep -qE '^record [0-9]+ 1 7 ' ||
        failed "A does not list its one completed upload after the restart: $records"
    records=$(list_records b)
    [ "$(echo "$records" | grep -c '^record ')" = 1 ] && echo "$records" | grep -qE '^record [0-9]+ 2 7 ' ||
        failed "B does not list its one completed download after the restart: $records"
    tail -n +"$((lines_b + 1))" "$work/b.out" | tr -d '\r' | grep -qE '^record [0-9]+ 2 [0-6] ' &&
        failed "a download started again"
    [ "$(grep -c ' DC' "$work/reports.log")" = 1 ] || failed "the download was done twice"
    echo quit >&7
    echo quit >&8
    ;;
sleeping)
    # The server is down when A sends: the link sleeps, survives A's restart and leaves once
    # the server is back; B then receives the file.
    head -c 100000 /dev/urandom >"$work/s.bin"
    start_copy a 7
    wait_online a 1
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null
    wait_count a '^state 1' 2 60 || failed "A did not notice the server going"
    echo "send $(winpath "$work/s.bin") to b@test" >&7
    wait_count a '^sleeping' 1 20 || failed "A did not keep the link"
    wait_count a '^box Email Cannot be sent' 1 5 || failed "no message box"
    wait_count a '^record [0-9]+ 1 13 ' 1 5 || failed "A's upload is not pending its mail"
    iconv -f UTF-16LE -t UTF-8 "$work/a/SleepingLinks.xml" 2>/dev/null | grep -q 'b@test' ||
        failed "the link is not in SleepingLinks.xml"
    echo quit >&7
    wait "$a_pid" 2>/dev/null
    exec 7>&-
    start_copy a 7
    wait_count a '^record [0-9]+ 1 13 ' 2 30 || failed "A's list did not come back after its restart"
    start_server "$port"
    wait_online a 2
    within 30 has_link
    tnl=$(ls "$work"/outbox/*.tnl 2>/dev/null | head -n 1)
    [ -n "$tnl" ] || failed "the sleeping link never left"
    wait_count a '^record [0-9]+ 1 15 ' 1 20 || failed "A's upload is not awaiting approval"
    start_copy b 8
    wait_online b 1
    echo "open $(winpath "$tnl")" >&8
    wait_count b '^record [0-9]+ 2 7 ' 1 120 || failed "B's download did not complete"
    cmp "$work/s.bin" "$work/b/down/s.bin" || failed "s.bin differs"
    echo quit >&7
    echo quit >&8
    ;;
hostile)
    # A foreign uploader announces hostile names: the files land inside B's download folder
    # only, under safe names. B also starts from a damaged list, which it keeps aside.
    [ -x "${UPLOADER%% *}" ] || { echo "SKIP: no uploader"; exit 77; }
    up_user=11111111111111111111111111111111
    f1=0123456789ABCDEF0123456789ABCDEF f2=FEDCBA9876543210FEDCBA9876543210
    head -c 70000 /dev/urandom >"$work/src1"
    head -c 1000 /dev/urandom >"$work/src2"
    "$wine_run" "$UPLOADER" --server "127.0.0.1:$port" --user $up_user \
        --offer "$f1=$(winpath "$work/src1")" --offer "$f2=$(winpath "$work/src2")" \
        --announce "$f1=..\\..\\evil.txt" --announce "$f2=NUL" --list-all \
        </dev/null >"$work/up.out" 2>"$work/up.err" &
    pids+=($!)
    up_pid=$!
    [ -n "$(wait_for up '/^online/p')" ] || failed "the uploader never came online"
    make_copy b
    printf '<\0f\0i\0l\0e\0s\0>\0<\0f\0i\0' >"$work/b/DUList.xml"
    start_copy b 8
    wait_online b 1
    [ -f "$work/b/DUList.xml.bad" ] || failed "the damaged list was not kept aside"
    echo "make-link $up_user $f1 x 70000" >&8
    wait_done b 2 2 240 || failed "B's downloads did not complete"
    cmp "$work/src1" "$work/b/down/evil.txt" || failed "evil.txt differs"
    cmp "$work/src2" "$work/b/down/_NUL" || failed "_NUL differs"
    strays=$(find "$work" -type f \( -iname 'evil*' -o -iname 'nul*' -o -iname '_nul*' \) ! -path "$work/b/down/*")
    [ -z "$strays" ] || failed "files outside the download folder: $strays"
    echo quit >&8
    ;;
pending)
    # B starts with A's link waiting in its settings and a system address book that knows A
    # under a display name: its start opens the link without any command, empties the setting,
    # and the address book keeps that name after the link is accepted.
    [ -f "${WABSTUB:-}" ] || { echo "SKIP: no stand-in address-book library"; exit 77; }
    head -c 200000 /dev/urandom >"$work/p.bin"
    start_copy a 7
    wait_online a 1
    send_link "$work/p.bin"
    url=$(tr -d '\r\n' <"$tnl")
    # B's prefix is its own: its settings and its system's address-book key.
    make_copy b
    b_reg() { WINEPREFIX="$work/b.prefix" "$wine_run" reg "$@"; }
    b_reg add 'HKCU\Software\Tarnix' /v InitialFileLink /t REG_SZ /d "$url" /f >/dev/null 2>&1 ||
        failed "could not set B's InitialFileLink"
    cp "$WABSTUB" "$work/wabstub.dll"
    printf 'N=Alice Display|E=a@test\n' >"$work/contacts.txt"
    export TARNIX_WABSTUB_CONTACTS
    TARNIX_WABSTUB_CONTACTS=$(winpath "$work/contacts.txt")
    b_reg add 'HKLM\Software\Microsoft\WAB\DLLPath' /ve /t REG_SZ /d "$(winpath "$work/wabstub.dll")" /f \
        >/dev/null 2>&1 || failed "could not name the stand-in library"
    start_copy b 8
    wait_online b 1
    wait_count b '^opened' 1 30 || failed "B did not open the pending link"
    wait_count b '^record [0-9]+ 2 7 ' 1 120 || failed "B's download did not complete"
    cmp "$work/p.bin" "$work/b/down/p.bin" || failed "p.bin differs"
    b_reg query 'HKCU\Software\Tarnix' /v InitialFileLink 2>/dev/null | tr -d '\r' |
        grep -q 'InitialFileLink.*REG_SZ *$' || failed "InitialFileLink was not emptied"
    echo quit >&7
    echo quit >&8
    wait "$a_pid" "$b_pid" 2>/dev/null
    iconv -f UTF-16LE -t UTF-8 "$work/b/AddressBook.xml" 2>/dev/null | grep -q "a@test'>Alice Display<" ||
        failed "B's address book lost A's display name: $(iconv -f UTF-16LE -t UTF-8 "$work/b/AddressBook.xml")"
    [ "$(count_lines b '^opened')" = 1 ] || failed "the link was opened more than once"
    ;;
*) echo "unknown case $case_name"; exit 1 ;;
esac
echo "PASS: $case_name"
