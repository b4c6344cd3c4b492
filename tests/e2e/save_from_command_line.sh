#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the real program under a virtual display of its own with two images on its command line,
# confirms the New Bitmap dialog, saves with Ctrl+S through the Save As dialog and checks the file
# written, and that the window carries the class its desktop entry names (docks match the two).
# The server takes a free display; E2E_DISPLAY=N pins it to :N.
set -euo pipefail
program=$1
desktop_entry=$2
work=$(mktemp -d)
cleanup() {
    kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The server writes its display number into the pipe once it takes clients. One that cannot start,
# its display taken, closes the pipe without a number: the test stops rather than typing into
# another server's session.
mkfifo "$work/display"
Xvfb ${E2E_DISPLAY:+":$E2E_DISPLAY"} -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
if ! read -r -t 30 display_number <"$work/display" || [[ -z $display_number ]]; then
    echo "the virtual display did not start:"
    cat "$work/xvfb.log"
    exit 1
fi
export DISPLAY=:$display_number

/usr/bin/convert -size 16x16 xc:none +antialias -fill red -draw 'rectangle 2,2 13,13' "$work/a.png"
/usr/bin/convert -size 32x32 xc:blue "$work/b.png"

unset QT_QPA_PLATFORM
HOME="$work" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=xcb "$program" "$work/a.png" "$work/b.png" >"$work/log" 2>&1 &
app_pid=$!

# Only windows of the program started here count.
window_named() { xdotool search --all --sync --onlyvisible --pid "$1" --name "$2" | head -1; }
find_window() { timeout 20 bash -c "$(declare -f window_named); window_named $app_pid '$1'"; }
press_in() { xdotool windowfocus --sync "$1" key --clearmodifiers "$2"; }

dialog=$(find_window 'New Bitmap')
press_in "$dialog" Return
main=$(find_window '\[New Strip\]')
wm_class=$(xprop -id "$main" WM_CLASS)
startup_class=$(sed -n 's/^StartupWMClass=//p' "$desktop_entry")
[[ -n $startup_class && $wm_class == *", \"$startup_class\"" ]] ||
    { echo "window class $wm_class, desktop entry names \"$startup_class\""; exit 1; }
sleep 0.5
press_in "$main" ctrl+s
save=$(find_window 'Save')
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
echo "saved strip checked on display :$display_number, window class $wm_class"
