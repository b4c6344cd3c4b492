#!/usr/bin/env bash
# Starts the real program under a virtual display with two images on its command line, confirms
# the New Bitmap dialog, saves with Ctrl+S through the Save As dialog and checks the file written.
set -euo pipefail
program=$1
work=$(mktemp -d)
display_number=$((90 + RANDOM % 400))
export DISPLAY=:$display_number
cleanup() {
    kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

/usr/bin/convert -size 16x16 xc:none +antialias -fill red -draw 'rectangle 2,2 13,13' "$work/a.png"
/usr/bin/convert -size 32x32 xc:blue "$work/b.png"

unset QT_QPA_PLATFORM
HOME="$work" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=xcb "$program" "$work/a.png" "$work/b.png" >"$work/log" 2>&1 &
app_pid=$!

window_named() { xdotool search --sync --onlyvisible --name "$1" | head -1; }
press_in() { xdotool windowfocus --sync "$1" key --clearmodifiers "$2"; }

dialog=$(timeout 20 bash -c "$(declare -f window_named); window_named 'New Bitmap'")
press_in "$dialog" Return
main=$(timeout 20 bash -c "$(declare -f window_named); window_named '\[New Strip\]'")
sleep 0.5
press_in "$main" ctrl+s
save=$(timeout 20 bash -c "$(declare -f window_named); window_named 'Save'")
sleep 0.5
xdotool windowfocus --sync "$save" key ctrl+a type --delay 5 "$work/out.bmp"
press_in "$save" Return
for _ in $(seq 100); do [[ -s "$work/out.bmp" ]] && break; sleep 0.1; done

[[ -s "$work/out.bmp" ]] || { echo "no file written"; cat "$work/log"; exit 1; }
size=$(/usr/bin/identify -format '%w x %h' "$work/out.bmp")
[[ "$size" == "32 x 16" ]] || { echo "unexpected size $size"; exit 1; }
red=$(/usr/bin/convert "$work/out.bmp" -format '%[pixel:p{8,8}]' info:)
blue=$(/usr/bin/convert "$work/out.bmp" -format '%[pixel:p{24,8}]' info:)
echo "cell 0 centre: $red, cell 1 centre: $blue"
[[ "$red" == *"255,0,0"* || "$red" == "red" ]] || { echo "cell 0 is not red"; exit 1; }
[[ "$blue" == *"0,0,255"* || "$blue" == "blue" ]] || { echo "cell 1 is not blue"; exit 1; }
echo "saved strip checked"
