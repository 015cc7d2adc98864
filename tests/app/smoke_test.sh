#!/usr/bin/env bash
# Starts the editor in a real X window on a virtual screen (Xvfb), waits for the document window of the given file,
# takes a screenshot and checks that the window shows drawn content rather than a blank surface.
#   smoke_test.sh KESTOVA FILE OUTDIR
# Writes OUTDIR/smoke-shot.png (the whole screen) and OUTDIR/smoke-window.png (the document window).
set -uo pipefail

fail() {
    echo "smoke test FAILED: $*" >&2
    exit 1
}

[ $# -eq 3 ] || fail "usage: $0 KESTOVA FILE OUTDIR"
kestova=$1
file=$2
outdir=$3
[ -x "$kestova" ] || fail "the program $kestova does not exist or is not executable"
[ -r "$file" ] || fail "the file $file cannot be read"
mkdir -p "$outdir" || fail "cannot create $outdir"

for tool in Xvfb xwininfo import identify convert; do
    command -v "$tool" >/dev/null 2>&1 \
        || fail "$tool is not installed; run ./build.sh, which installs xvfb, x11-utils and imagemagick"
done

work=$(mktemp -d) || fail "cannot create a temporary folder"
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Xvfb picks a free display itself and writes its number to the descriptor once it accepts connections.
Xvfb -displayfd 9 -screen 0 1400x900x24 -nolisten tcp -noreset 9>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=
for _ in $(seq 1 100); do
    display=$(head -n 1 "$work/display" 2>/dev/null)
    [ -n "$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$display" ]; then
    cat "$work/xvfb.log" >&2
    fail "Xvfb did not start"
fi
export DISPLAY=":$display"
echo "Xvfb on display $DISPLAY"
# Wait until the display answers a client, so the editor does not race the server's start.
for _ in $(seq 1 100); do
    xwininfo -root >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; fail "Xvfb exited after starting on $DISPLAY"; }
    sleep 0.1
done
xwininfo -root >/dev/null 2>&1 || { cat "$work/xvfb.log" >&2; fail "the display $DISPLAY does not answer"; }

# The test environment may ask Qt for the offscreen platform; this run needs a real X window.
env -u QT_QPA_PLATFORM QT_QPA_PLATFORM=xcb "$kestova" "$file" >"$work/kestova.log" 2>&1 &
app_pid=$!

name=$(basename "$file")
window=
for _ in $(seq 1 80); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
        cat "$work/kestova.log" >&2
        app_pid=
        fail "kestova exited before its window appeared"
    fi
    # Lines look like:   0x400007 "Untitled (sample.chr) — Kestova": ("kestova" "kestova")  1200x760+0+0  +0+0
    # Qt also makes small helper windows; take the largest window whose title names the file and the program.
    window=$(xwininfo -root -tree 2>/dev/null | grep -F "$name" | grep -F "Kestova" \
        | awk '{ if (match($0, /[0-9]+x[0-9]+\+/)) { split(substr($0, RSTART, RLENGTH - 1), s, "x");
                                                   print s[1] * s[2], $1 } }' \
        | sort -n -r | awk 'NR == 1 && $1 > 1 { print $2 }')
    [ -n "$window" ] && break
    sleep 0.25
done
if [ -z "$window" ]; then
    echo "windows on $DISPLAY:" >&2
    xwininfo -root -tree >&2
    cat "$work/kestova.log" >&2
    fail "no window titled with \"$name\" and \"Kestova\" appeared within 20 seconds"
fi
echo "window $window: $(xwininfo -id "$window" | grep -F 'xwininfo:' | sed 's/^xwininfo: //')"

shot="$outdir/smoke-shot.png"
windowShot="$outdir/smoke-window.png"
rm -f "$shot" "$windowShot"

# What the window shows. A blank or unpainted surface has few colours and almost no spread; the document window shows
# the tile sheet, the editor's magnified block, the sub-palettes and the 64 master colours, so a good share of its
# pixels is saturated. An empty window with only menus and text has many colours (antialiasing) but no saturated ones.
problem=
measure() {
    problem=
    colours=
    saturated=
    import -display "$DISPLAY" -window "$window" "$windowShot" 2>"$work/import.log" || {
        problem="import could not take a screenshot of window $window: $(cat "$work/import.log")"
        return 1
    }
    read -r colours deviation width height < <(identify -format '%k %[fx:standard_deviation] %w %h\n' \
        "$windowShot" 2>/dev/null | head -n 1)
    saturated=$(convert "$windowShot" -colorspace HSL -channel G -separate +channel -threshold 25% \
        -format '%[fx:mean]' info: 2>/dev/null)
    if [ -z "${colours:-}" ] || [ -z "${saturated:-}" ]; then
        problem="identify/convert could not read $windowShot"
        return 1
    fi
    summary="${width}x${height} pixels, $colours colours, standard deviation $deviation, saturated share $saturated"
    if [ "$width" -lt 600 ] || [ "$height" -lt 400 ]; then
        problem="the window is only ${width}x${height} pixels; the document window is at least 600x400"
    elif [ "$colours" -le 40 ]; then
        problem="the window shows only $colours colours: it looks blank or unpainted"
    elif awk -v d="$deviation" 'BEGIN { exit !(d < 0.05) }'; then
        problem="the window is nearly uniform (standard deviation $deviation): it looks blank"
    elif awk -v s="$saturated" 'BEGIN { exit !(s < 0.02) }'; then
        problem="only a share of $saturated of the window is coloured: the tiles and palettes look undrawn"
    fi
    [ -z "$problem" ]
}
# Mapped is not yet painted: the first paint and the deferred viewer configuration follow within moments.
for _ in $(seq 1 20); do
    measure && break
    sleep 0.5
done
import -display "$DISPLAY" -window root "$shot" || fail "import could not take a screenshot of the screen"
echo "screenshot: $shot"
echo "window: ${summary:-not measured}"
[ -z "$problem" ] || fail "$problem (see $shot)"
if ! kill -0 "$app_pid" 2>/dev/null; then
    cat "$work/kestova.log" >&2
    app_pid=
    fail "kestova exited while its window was shown"
fi
echo "smoke test passed"
