#!/usr/bin/env bash
# Runs the real nimbo-control on the simulated device under a virtual X
# server: waits for the configuration window and saves a screenshot of it,
# checks that a second copy shows its message and ends while the first keeps
# running, and ends the program as the user would (SIGTERM closes the working
# window). Then does the same for the LED matrix window, without the second
# copy.
#
# usage: smoke_screenshot.sh NIMBO_CONTROL OUTPUT_FOLDER TITLE
# (TITLE: the window titles up to " - ")
source "$(dirname "$0")/../support/x_session.sh"
program=$1
output=$2
title=$3
mkdir -p "$output"
start_x_server

# Starts the first copy in the window named "$title - $1" (option $2) and
# saves a screenshot of it as $3 in the output folder.
start_and_shoot() {
  "$program" --simulate="$work/device.state" "$2" &
  pid=$!
  window=$(wait_window "$title - $1") || fail "the window \"$title - $1\" did not appear"
  shoot "$window" "$output/$3" 16
  echo "smoke: screenshot in $output/$3"
}

# Ends the first copy as the user would: it must end cleanly and keep the
# simulated device in its state file.
end_first_copy() {
  stop_program
  [ -s "$work/device.state" ] || fail "the simulated device's state was not kept"
}

start_and_shoot "Configuration" --window=config configuration-screenshot.png
# A second copy: its message box appears, it ends, the first one stays.
"$program" --simulate="$work/device.state" &
second=$!
message=$(wait_window "NIMBO Control") || fail "the second copy showed no message"
import -window "$message" "$output/second-copy-message.png"
kill -TERM "$second"
wait "$second" || true
kill -0 "$pid" 2>/dev/null || fail "the first copy ended with the second"
xdotool search --name "^$title - Configuration\$" >/dev/null || fail "the first copy lost its window"
end_first_copy

start_and_shoot "LED Matrix Control" --window=ledmatrix ledmatrix-screenshot.png
end_first_copy
echo "smoke: passed"
