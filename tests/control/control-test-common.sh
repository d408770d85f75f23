# Sourced by the control's test scripts. Needs CONTROL_DLL and PROBE (ctest sets them), and the
# Wine of tools/wine-env.sh; exits 77 when any of it, or the Windows program named by
# NEEDED_PROGRAMS, is missing. Defines: wine_run, winpath, remaining, run_limited, register,
# unregister, failed; work, a scratch folder the caller removes; and clsid, libid and iid as the
# control's .idl fixes them.
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
wine_run=$root/tools/wine-run
. "$root/tests/support/within.sh"
: "${CONTROL_DLL:?}" "${PROBE:?}"
[ -n "${WINEPREFIX:-}" ] && [ -n "${TARNIX_WINE:-}" ] || { echo "SKIP: no Wine set up (source tools/wine-env.sh)"; exit 77; }
for f in "$CONTROL_DLL" "$PROBE"; do
    [ -f "$f" ] || { echo "SKIP: $f is missing"; exit 77; }
done
for p in ${NEEDED_PROGRAMS:-}; do
    [ -f "$WINEPREFIX/drive_c/windows/system32/$p" ] || { echo "SKIP: this Wine has no $p"; exit 77; }
done
LIMIT=${TARNIX_TEST_LIMIT:-60}
end_time=$((SECONDS + LIMIT))

mapfile -t _uuids < <(sed -n 's/.*uuid(\([0-9A-Fa-f-]*\)).*/{\1}/p' "$root/control/TNControlAX.idl")
iid=${_uuids[0]} libid=${_uuids[1]} clsid=${_uuids[2]}

failed() {
    echo "FAIL: $*"
    exit 1
}
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
# Seconds left of the case's limit (at least one): each step waits no longer, and says what did
# not finish.
remaining() {
    local left=$((end_time - SECONDS))
    [ "$left" -gt 0 ] || left=1
    echo "$left"
}
work=$(mktemp -d /tmp/tncontrol-test.XXXXXX)
# A Windows program through tools/wine-run, ended when the case's time is up (killed 5 s after
# when it does not end on the signal). Its output goes
# through a file: a service it starts (rpcss for COM) inherits its handles and lives as long as
# the prefix's wineserver, and ctest would wait for a pipe held by it until its time-out.
run_limited() {
    timeout -k 5 "$(remaining)" "$wine_run" "$@" >"$work/run.out" 2>&1
    local result=$?
    cat "$work/run.out"
    return "$result"
}
register() { run_limited regsvr32 /s "$(winpath "$CONTROL_DLL")"; }
unregister() { timeout -k 5 30 "$wine_run" regsvr32 /s /u "$(winpath "$CONTROL_DLL")" >/dev/null 2>&1; }
