#!/usr/bin/env bash
# Runs the real nimbo-control on the simulated device under a virtual X
# server: waits for the configuration window, saves a screenshot of it, checks
# that a second copy shows its message and ends while the first keeps
# running, and ends the program as the user would (SIGTERM closes the working
# window).
#
# usage: smoke_screenshot.sh NIMBO_CONTROL OUTPUT_FOLDER WINDOW_TITLE [SCREENSHOT [OPTION...]]
# (SCREENSHOT: file name in OUTPUT_FOLDER; OPTIONs go to nimbo-control, e.g.
# --window=ledmatrix)
set -euo pipefail

program=$1
output=$2
title=$3
screenshot=${4:-configuration-screenshot.png}
options=("${@:5}")
mkdir -p "$output"

if [ -z "${NIMBO_SMOKE_INSIDE_X:-}" ]; then
  export NIMBO_SMOKE_INSIDE_X=1
  # -noreset: by default the server resets whenever its last client leaves
  # (each xwininfo poll below) and refuses connections meanwhile, so the
  # program could start just then and find no display.
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

export QT_QPA_PLATFORM=xcb  # the test command sets offscreen for the window tests
work=$(mktemp -d)
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"  # the single-instance lock of this test only
first=""
cleanup() {
  if [ -n "$first" ] && kill -0 "$first" 2>/dev/null; then kill -KILL "$first"; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "smoke: $*" >&2
  exit 1
}

# Captures the top-level window named $1 into $2; false while there is none.
shoot() {
  local id
  id=$(xwininfo -name "$1" 2>/dev/null | awk '/Window id:/ {print $4; exit}') || return 1
  [ -n "$id" ] && import -window "$id" "$2"
}

# Waits up to 30 s for the window named $1 and captures it into $2.
wait_and_shoot() {
  for _ in $(seq 1 150); do
    if shoot "$1" "$2"; then
      return 0
    fi
    sleep 0.2
  done
  return 1
}

"$program" --simulate="$work/device.state" "${options[@]}" &
first=$!
wait_and_shoot "$title" "$work/first.png" || fail "the window \"$title\" did not appear"
sleep 1  # let it finish painting
shoot "$title" "$output/$screenshot" || fail "the window went away"
colours=$(identify -format %k "$output/$screenshot")
[ "$colours" -gt 16 ] || fail "the screenshot looks empty ($colours colours)"
echo "smoke: screenshot in $output/$screenshot"

# A second copy: its message box appears, it ends, the first one stays.
"$program" --simulate="$work/device.state" &
second=$!
wait_and_shoot "NIMBO Control" "$output/second-copy-message.png" ||
  fail "the second copy showed no message"
kill -TERM "$second"
wait "$second" || true
kill -0 "$first" 2>/dev/null || fail "the first copy ended with the second"
shoot "$title" "$work/still.png" || fail "the first copy lost its window"

# End the first copy as the user would; it must end cleanly and keep the
# simulated device in its state file.
kill -TERM "$first"
status=0
wait "$first" || status=$?
first=""
[ "$status" -eq 0 ] || fail "nimbo-control ended with status $status"
[ -s "$work/device.state" ] || fail "the simulated device's state was not kept"
echo "smoke: passed"
