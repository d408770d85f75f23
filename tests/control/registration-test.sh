#!/usr/bin/env bash
# The control's registration through regsvr32 into the test prefix: every key and value of its
# ProgIDs and its class reads back (reg query), and the type library 1.0 loads from its
# registration (LoadRegTypeLib); after regsvr32 /u all of it is gone, and nothing else.
# Environment: CONTROL_DLL, PROBE (tncontrol-probe.exe), the Wine of tools/wine-env.sh,
# TARNIX_TEST_LIMIT. Exit 0 on success, 1 on failure, 77 when something it needs is missing.
set -u
NEEDED_PROGRAMS="regsvr32.exe reg.exe"
. "$(dirname "$0")/control-test-common.sh"
trap 'unregister; rm -rf "$work"' EXIT

# Every value under KEY and its subkeys, one "KEY|NAME|VALUE" line each ("KEY||" for a key).
values_under() {
    run_limited reg query "$1" /s 2>/dev/null | tr -d '\r' | awk '
        /^HKEY_/ { key = $0; print key "||"; next }
        /^    / { line = substr($0, 5); split(line, f, "    "); name = f[1]; if (name == "(Default)") name = "";
                  value = substr(line, length(f[1]) + length(f[2]) + 9); print key "|" name "|" value }'
}

module=$(winpath "$CONTROL_DLL")
register || failed "regsvr32 /s did not register the control"
found=$( (values_under 'HKCR\TNControlAX.TNControl.1'; values_under 'HKCR\TNControlAX.TNControl';
    values_under "HKCR\\CLSID\\$clsid") | sed 's/^HKEY_CLASSES_ROOT/HKCR/')
class="HKCR\\CLSID\\$clsid"
expected="HKCR\\TNControlAX.TNControl.1||CTNControl Object
HKCR\\TNControlAX.TNControl.1\\CLSID||$clsid
HKCR\\TNControlAX.TNControl||CTNControl Object
HKCR\\TNControlAX.TNControl\\CLSID||$clsid
HKCR\\TNControlAX.TNControl\\CurVer||TNControlAX.TNControl.1
$class||CTNControl Object
$class\\ProgID||TNControlAX.TNControl.1
$class\\VersionIndependentProgID||TNControlAX.TNControl
$class\\InprocServer32||$module
$class\\InprocServer32|ThreadingModel|apartment
$class\\Control||
$class\\ToolboxBitmap32||$module, 102
$class\\MiscStatus||
$class\\MiscStatus\\1||131473
$class\\TypeLib||$libid
$class\\Version||1.0"
missing=0
while IFS= read -r line; do
    grep -qixF -- "$line" <<<"$found" || { echo "not registered: $line"; missing=1; }
done <<<"$expected"
[ "$missing" = 0 ] || { echo "found:"; echo "$found"; failed "registration incomplete"; }
run_limited "$PROBE" typelib || failed "the type library does not load from its registration"
run_limited reg query "HKCR\\Interface\\$iid" >/dev/null 2>&1 || failed "ITNControl's interface key is missing"

unregister || failed "regsvr32 /u failed"
for key in 'HKCR\TNControlAX.TNControl.1' 'HKCR\TNControlAX.TNControl' "HKCR\\CLSID\\$clsid" \
    "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid"; do
    run_limited reg query "$key" >/dev/null 2>&1 && failed "$key is still there after regsvr32 /u"
done
run_limited reg query 'HKCR\CLSID' /ve >/dev/null 2>&1 || run_limited reg query 'HKCR\CLSID' >/dev/null 2>&1 ||
    failed "HKCR\\CLSID itself was removed"
run_limited "$PROBE" typelib >/dev/null && failed "the type library still loads after regsvr32 /u"
unregister || failed "regsvr32 /u of a control that is not registered failed"
echo "registered, read back and removed"
exit 0
