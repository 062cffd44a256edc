#!/usr/bin/env bash
# Runs the real nimbo-control on the simulated device under a virtual X
# server: opens the colour picker from the configuration window's first
# swatch, picks full value on the shades strip, turns the hue by five quick
# mouse-wheel notches, takes a screenshot, accepts with "Select Color" and
# saves. The device's settings must then hold the new colour for the first
# slot and no other change (read back with nimbo-cli).
#
# usage: picker_smoke.sh NIMBO_CONTROL NIMBO_CLI OUTPUT_FOLDER WINDOW_TITLE
source "$(dirname "$0")/../../support/x_session.sh"
program=$1
cli=$2
output=$3
title=$4
mkdir -p "$output"
start_x_server

# Places in the windows' client areas, in pixels at 96 dots per inch.
first_swatch=(245 73)    # "IRQ High", colour slot 0
save_button=(112 509)    # "Save Settomgs"
strip_top=(300 33)       # the picker's shades strip, its top row: full value
wheel_spot=(170 150)     # on the picker's wheel, right of its centre
select_button=(420 280)  # "Select Color"

"$cli" --simulate="$work/device.state" settings show >"$work/before.txt"
grep -q '^IRQ High: #0F0000$' "$work/before.txt" || fail "unexpected factory colour for slot 0"

"$program" --simulate="$work/device.state" &
pid=$!
config=$(wait_window "$title") || fail "the configuration window did not appear"

# The window takes no clicks while it reads the device: click until the picker opens.
picker=""
for _ in $(seq 1 30); do
  xdotool mousemove --window "$config" "${first_swatch[@]}" click 1
  picker=$(wait_window "Color Picker" 10) && break
done
[ -n "$picker" ] || fail "the colour picker did not open from the first swatch"
xdotool mousemove --window "$picker" "${strip_top[@]}" click 1
# Five notches away from the user: hue 0 (red) + 5 x 12 = 60 (yellow).
xdotool mousemove --window "$picker" "${wheel_spot[@]}" click --repeat 5 --delay 0 4
shoot "$picker" "$output/colorpicker.png" 1000  # the wheel drawn
echo "picker smoke: screenshot in $output/colorpicker.png"
xdotool mousemove --window "$picker" "${select_button[@]}" click 1
for _ in $(seq 1 50); do  # up to 10 s
  xdotool search --name "^Color Picker\$" >/dev/null 2>&1 || break
  sleep 0.2
done
! xdotool search --name "^Color Picker\$" >/dev/null 2>&1 || fail "Select Color did not close the picker"
[ "$(xdotool getwindowfocus 2>/dev/null)" = "$config" ] || fail "the keyboard did not come back"

cp "$work/device.state" "$work/unsaved.state"
xdotool mousemove --window "$config" "${save_button[@]}" click 1
# The save has begun once the device holds a new byte; the stop request below
# waits for its end.
for _ in $(seq 1 200); do
  cmp -s "$work/device.state" "$work/unsaved.state" || break
  sleep 0.05
done
stop_program

"$cli" --simulate="$work/device.state" settings show >"$work/after.txt"
grep -q '^IRQ High: #FFFF00$' "$work/after.txt" || fail "slot 0 did not get the picked colour"
[ "$(diff "$work/before.txt" "$work/after.txt" | grep -c '^>')" -eq 1 ] ||
  fail "settings other than slot 0 changed"
echo "picker smoke: passed"
