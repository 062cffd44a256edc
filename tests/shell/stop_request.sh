#!/usr/bin/env bash
# A stop request (SIGTERM) at any moment of the real nimbo-control's start-up
# on the simulated device, in real time: the program ends soon, with status 0,
# and keeps the simulated device in its state file. One that arrives during
# the start-up's device read is carried out once the read has ended.
#
# usage: stop_request.sh NIMBO_CONTROL
source "$(dirname "$0")/../support/x_session.sh"
program=$1
export QT_QPA_PLATFORM=offscreen

# True once process $1 runs the program and catches SIGTERM (bit 15 of its
# caught-signal mask). Before it runs the program it is a copy of this shell,
# whose own handlers say nothing.
target=$(readlink -f "$program")
catches_term() {
  local mask
  [ "$(readlink "/proc/$1/exe" 2>/dev/null)" = "$target" ] || return 1
  mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (((16#$mask >> 14) & 1))
}

# The start-up takes well under a second: at once, during the device read
# (about 0.2 s), during the hand-over pause (0.5 s after it) and once the
# working window is up.
for delay in 0 0.1 0.4 1.0; do
  rm -f "$work/device.state"
  "$program" --simulate="$work/device.state" 2>>"$work/stderr" &
  pid=$!
  # A loaded machine may take seconds to load the libraries and reach main().
  for _ in $(seq 1 1000); do
    catches_term "$pid" && break
    sleep 0.02
  done
  catches_term "$pid" || fail "no handler for SIGTERM after 20 s"
  sleep "$delay"
  kill -TERM "$pid"
  sent=$(date +%s%N)
  status=0
  # Not waiting forever: a request that was lost leaves the program running.
  # (It ends within a second; the margin is for a loaded machine.)
  for _ in $(seq 1 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$pid" 2>/dev/null && fail "still running 10 s after SIGTERM (delay $delay s)"
  wait "$pid" || status=$?
  pid=""
  ended=$((($(date +%s%N) - sent) / 1000000))
  [ "$status" -eq 0 ] || fail "status $status after SIGTERM (delay $delay s)"
  [ -s "$work/device.state" ] || fail "the simulated device's state was not kept (delay $delay s)"
  echo "stop_request: SIGTERM ${delay} s into the start-up: ended after ${ended} ms"
done
echo "stop_request: passed"
