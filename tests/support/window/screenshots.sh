#!/usr/bin/env bash
# screenshots.sh <gallery.exe> <screens folder>
# Takes the pictures of a gallery program for a person to look at. The program runs under Wine
# (WINEPREFIX and DISPLAY as tools/wine-env.sh sets them) with one argument, a folder; for each
# item it shows it prints "ready NAME" and waits until NAME.go appears in that folder. At each
# such line this takes the whole display into <screens folder>/NAME.png, then creates NAME.go.
# Fails when the program fails or shows nothing, or when a picture is all one colour.
set -uo pipefail
exe=$1
out=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
: "${DISPLAY:?screenshots.sh needs DISPLAY (source tools/wine-env.sh)}"
mkdir -p "$out"
# shellcheck source=screenshot-lib.sh
. "$root/tests/support/window/screenshot-lib.sh"
work=$(mktemp -d /tmp/tarnix-screens.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkfifo "$work/lines"

# Wine maps drive Z: to the root of the file system.
timeout 240 "$root/tools/wine-run" "$exe" "Z:$work" > "$work/lines" &
gallery=$!

shots=0
failed=0
while IFS= read -r -t 120 line; do
    line=${line%$'\r'}
    echo "$line"
    case $line in
        "ready "*) ;;
        *) continue ;;
    esac
    name=${line#ready }
    if [[ ! $name =~ ^[A-Za-z0-9._-]+$ ]]; then
        echo "screenshots: bad item name '$name'" >&2
        failed=1
        break
    fi
    if take_screenshot "$DISPLAY" "$out/$name.png"; then
        shots=$((shots + 1))
    else
        failed=1
    fi
    touch "$work/$name.go"
done < "$work/lines"

wait "$gallery"
status=$?
if [ "$status" != 0 ]; then
    echo "screenshots: the gallery ended with $status" >&2
    failed=1
fi
if [ "$shots" = 0 ]; then
    echo "screenshots: no picture taken" >&2
    failed=1
fi
exit "$failed"
