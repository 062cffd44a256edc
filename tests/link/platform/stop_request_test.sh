#!/bin/sh
# stop_request_test.sh [EMULATOR...] PROBE: the system's stop requests reach
# the program as requests, with the exit status a shell expects. Under Wine
# only SIGINT is asked for: Wine turns it into the console's Ctrl+C.
set -u
out=$(mktemp)
trap 'rm -f "$out"' EXIT
if [ $# -gt 1 ]; then signals="INT:130"; else signals="INT:130 TERM:143 HUP:129 QUIT:131"; fi
for pair in $signals; do
  signal=${pair%:*} status=${pair#*:}
  : >"$out"  # emptied here, not by the child: no "ready" of the run before
  "$@" >>"$out" 2>&1 &
  pid=$!
  tries=0
  until grep -q ready "$out"; do
    tries=$((tries + 1))
    [ $tries -lt 300 ] || { echo "SIG$signal: the probe never got ready"; cat "$out"; exit 1; }
    sleep 0.1
  done
  kill -"$signal" $pid
  wait $pid
  grep -q "request $status" "$out" || { echo "SIG$signal: wanted status $status"; cat "$out"; exit 1; }
done
