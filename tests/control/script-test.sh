#!/usr/bin/env bash
# A page's script hands a link to the program through the registered control: LANGUAGE (jscript
# or vbscript) runs under cscript against a stand-in receiver (tncontrol-probe receive). A text
# that is no link gives the control's error, reaches nothing, and the link that follows arrives
# with its length.
#   script-test.sh jscript|vbscript
# Environment: CONTROL_DLL, PROBE (tncontrol-probe.exe), the Wine of tools/wine-env.sh,
# TARNIX_TEST_LIMIT. Exit 0 on success, 1 on failure, 77 when something it needs is missing.
set -u
language=${1:?usage: script-test.sh jscript|vbscript}
NEEDED_PROGRAMS="cscript.exe regsvr32.exe"
. "$(dirname "$0")/control-test-common.sh"
case "$language" in
    jscript) script=$here/handoff.js ;;
    vbscript) script=$here/handoff.vbs ;;
    *) failed "unknown language $language" ;;
esac
receiver=
receiver_gone() { ! kill -0 "$receiver" 2>/dev/null; }
cleanup() {
    if [ -n "$receiver" ] && kill "$receiver" 2>/dev/null; then
        within 5 receiver_gone || kill -9 "$receiver" 2>/dev/null
    fi
    unregister
    rm -rf "$work"
}
trap cleanup EXIT

register || failed "regsvr32 /s did not register the control"
"$wine_run" "$PROBE" receive "$LIMIT" >"$work/received" 2>&1 &
receiver=$!
within "$(remaining)" grep -q '^ready' "$work/received" || failed "the receiver did not start: $(cat "$work/received")"

link='http://tarnix.test/fl.php?fe=a%40b.test&tn=Sam&fn=a+b.txt'
# A quote would end the quoting on the program's command line.
answer=$(run_limited cscript //nologo "$(winpath "$script")" 'http://x/" /background' | tr -d '\r')
[ "$answer" = "error 80004005" ] || failed "a text that is no link gave \"$answer\", not the control's E_FAIL"
answer=$(run_limited cscript //nologo "$(winpath "$script")" "$link" | tr -d '\r')
[ -z "$answer" ] || failed "the link was refused: $answer"
within "$(remaining)" grep -q '^received' "$work/received" || failed "the receiver got nothing"
got=$(grep '^received' "$work/received" | tr -d '\r')
[ "$got" = "received ${#link} $link" ] || failed "the receiver got \"$got\""
echo "$language handed the link over"
exit 0
