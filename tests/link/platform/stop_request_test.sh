#!/bin/bash
# stop_request_test.sh [EMULATOR...] PROBE: the system's stop requests reach
# the program as requests, with the exit status a shell expects, and those it
# was started to ignore (nohup) stay ignored. Under Wine only SIGINT is asked
# for: Wine turns it into the console's Ctrl+C.
set -u -m  # -m: jobs in the background get SIGINT as a terminal's do
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# expect STATUS IGNORED SIGNALS PROBE...: the probe, started with IGNORED
# ignored, is sent each of SIGNALS in turn and reports the request with STATUS.
expect() {
  status=$1 ignored=$2 signals=$3
  shift 3
  : >"$out"  # emptied here, not by the child: no "ready" of the run before
  (if [ -n "$ignored" ]; then trap '' $ignored; fi; exec "$@") >>"$out" 2>&1 &
  pid=$!
  tries=0
  until grep -q ready "$out"; do
    tries=$((tries + 1))
    [ $tries -lt 300 ] || { echo "$signals: the probe never got ready"; cat "$out"; exit 1; }
    sleep 0.1
  done
  for signal in $signals; do kill -"$signal" $pid; done
  wait $pid
  grep -q "request $status" "$out" || { echo "$signals: wanted status $status"; cat "$out"; exit 1; }
}
expect 130 "" INT "$@"
[ $# -gt 1 ] && exit 0
expect 143 "" TERM "$@"
expect 129 "" HUP "$@"
expect 131 "" QUIT "$@"
# Lower numbers are delivered first: an ignored HUP or INT caught would win.
expect 143 "HUP INT" "HUP INT TERM" "$@"
