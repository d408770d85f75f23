# Sourced by the control's test scripts. Needs CONTROL_DLL and PROBE (ctest sets them), and the
# Wine of tools/wine-env.sh; exits 77 when any of it, or the Windows program named by
# NEEDED_PROGRAMS, is missing. Defines: wine_run, winpath, remaining, run_limited, register,
# unregister, failed; and clsid, libid and iid as the control's .idl fixes them.
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
remaining() {
    local left=$((end_time - SECONDS))
    [ "$left" -gt 0 ] || failed "the case did not finish within $LIMIT s"
    echo "$left"
}
# A Windows program through tools/wine-run, ended when the case's time is up.
run_limited() { timeout "$(remaining)" "$wine_run" "$@"; }
register() { run_limited regsvr32 /s "$(winpath "$CONTROL_DLL")"; }
unregister() { timeout 30 "$wine_run" regsvr32 /s /u "$(winpath "$CONTROL_DLL")"; }
