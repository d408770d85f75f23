# Sourced by the scripts that take screenshots for a person (screenshots.sh, tests/ui/e2e.sh).
# ImageMagick is called by path: a stand-in named convert may come first on PATH.

# take_screenshot DISPLAY FILE [LEFT TOP RIGHT BOTTOM]: the display's root window into FILE, cut
# to the rectangle (screen coordinates) when one is given; else what lies outside the Wine
# desktop (black, as the desktop is smaller than the X screen) is cut away. False, saying why on
# stderr, when the picture cannot be taken or is all one colour.
take_screenshot() {
    local display=$1 file=$2 spread cut=(-bordercolor black -border 1 -trim)
    [ $# -ge 6 ] && cut=(-crop "$(($5 - $3))x$(($6 - $4))+$3+$4")
    if ! /usr/bin/import -display "$display" -window root "$file" ||
        ! /usr/bin/convert "$file" "${cut[@]}" +repage "$file"; then
        echo "screenshots: could not take $file" >&2
        return 1
    fi
    spread=$(/usr/bin/convert "$file" -format '%[fx:standard_deviation]' info:)
    if ! awk -v s="$spread" 'BEGIN { exit !(s > 0) }'; then
        echo "screenshots: $file is all one colour" >&2
        return 1
    fi
    echo "screenshots: $file (deviation $spread)"
}
