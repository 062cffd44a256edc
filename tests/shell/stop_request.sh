#!/usr/bin/env bash
# A stop request (SIGTERM) at any moment of the real nimbo-control's start-up
# on the simulated device, in real time: the program ends soon, with status 0,
# and keeps the simulated device in its state file. One that arrives during
# the start-up's device read is carried out once the read has ended.
#
# usage: stop_request.sh NIMBO_CONTROL
set -euo pipefail

program=$1
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"  # the single-instance lock of this test only
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "stop_request: $*" >&2
  exit 1
}

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

# The start-up (splash, link, device read, hand-over pause, first window)
# takes well under a second: the delays cover all of it and some time after.
for delay in 0 0.05 0.1 0.15 0.2 0.25 0.3 0.4 0.5 0.7 1.0; do
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
