#!/usr/bin/env bash
# Runs the real nimbo-control in its flasher window on the simulated device
# under a virtual X server: saves a screenshot of the window, clicks "Find
# Device" and "Flash Device" as a person would, and checks that the device
# then holds the sample firmware, its LED text kept. A stop request made once
# the flash has begun ends the program, with status 0. The simulated device
# answers at once (--instant): how long a flash takes is not looked at here.
#
# usage: flasher_smoke.sh NIMBO_CONTROL NIMBO_CLI NIMBO_FWU OUTPUT_FOLDER WINDOW_TITLE
source "$(dirname "$0")/../../support/x_session.sh"
program=$1
cli=$2
fwu=$3
output=$4
title=$5
mkdir -p "$output"
start_x_server

# Clicks the point (x, y) of the window's client area, below its menu bar.
click() {
  local height
  height=$(xwininfo -id "$window" | awk '/Height:/ {print $2}') || fail "the window went away"
  # The client area is 264 pixels high, under the menu bar.
  xdotool mousemove --window "$window" "$1" $((height - 264 + $2)) click 1
}

cd "$work"
"$fwu" sample nimbo.fwu >/dev/null
"$cli" --simulate=device.state sim mode update >/dev/null
"$cli" --simulate=device.state memory read 0x2000 768 --output text.bin >/dev/null

"$program" --simulate=device.state --instant --window=flasher &
pid=$!
window=$(wait_window "$title") || fail "the flasher window did not appear"
shoot "$window" "$output/flasher-screenshot.png" 16
# It took over from the start-up window: its focused button shows its mark.
[ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ] || fail "the window did not take the keyboard"
echo "flasher smoke: screenshot in $output/flasher-screenshot.png"

# Clicks (x, y) until the window looks different from the screenshot $3,
# which it then replaces: a click while the window still reads the device is
# ignored. The point of each button lies in a gap between the other state's
# buttons, so a repeated click does nothing.
click_until_changed() {
  for _ in $(seq 1 40); do
    click "$1" "$2"
    sleep 0.2
    import -window "$window" "$work/now.png" || fail "the window went away"
    if ! compare -metric AE "$3" "$work/now.png" null: 2>/dev/null; then
      mv "$work/now.png" "$3"
      return 0
    fi
  done
  fail "the window did not answer a click at $1,$2"
}

cp "$output/flasher-screenshot.png" "$work/state.png"
click_until_changed 164 232 "$work/state.png"  # "Find Device"
cp "$work/state.png" "$output/flasher-offered.png"
click_until_changed 100 232 "$work/state.png"  # "Flash Device"

# A request to end during the flash is carried out once the flash is over.
# One request only: a second one that arrives while the program is already
# ending would meet the default action.
stop_program

# The device holds the firmware (verify leaves the LED text aside), and the
# LED text from before the flash.
"$cli" --simulate=device.state verify nimbo.fwu >/dev/null || fail "the device does not hold the firmware"
"$cli" --simulate=device.state memory read 0x2000 768 --output kept.bin >/dev/null
cmp -s kept.bin text.bin || fail "the LED text was not kept"
echo "flasher smoke: passed"
