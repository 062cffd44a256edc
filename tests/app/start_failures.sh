#!/usr/bin/env bash
# How the real nimbo-control ends when it cannot start. Without a display it
# says so in one line on standard error and ends with status 1, while --help
# still answers. With a state file it cannot use, it shows the reason in a
# message box and on standard error, and once the box is closed with Enter it
# ends with status 1, leaving the file as it was.
#
# usage: start_failures.sh NIMBO_CONTROL
source "$(dirname "$0")/../support/x_session.sh"
program=$1

no_display() {
  DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=xcb "$program" "$@"
}
no_display --help >/dev/null || fail "--help needs a display"
status=0
no_display --simulate >/dev/null 2>"$work/stderr" || status=$?
[ "$status" -eq 1 ] || fail "without a display: status $status"
[ "$(wc -l <"$work/stderr")" -eq 1 ] && grep -q "display" "$work/stderr" ||
  fail "without a display it said: $(cat "$work/stderr")"

start_x_server
printf 'not the state of a device\n' >"$work/damaged.state"
cp "$work/damaged.state" "$work/before.state"
"$program" --simulate="$work/damaged.state" 2>"$work/stderr" &
pid=$!
box=$(wait_window "NIMBO Control") || fail "no message box for a damaged state file"
xdotool windowfocus --sync "$box" key Return
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 1 ] || fail "after the message box: status $status"
grep -q "damaged.state is not a simulated device state file" "$work/stderr" ||
  fail "standard error said: $(cat "$work/stderr")"
cmp -s "$work/damaged.state" "$work/before.state" || fail "the damaged state file was changed"
echo "start_failures: passed"
