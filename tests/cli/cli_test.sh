#!/usr/bin/env bash
# End-to-end checks of nimbo-cli: runs the built program as a user would and
# looks at its exit status and output. Usage: cli_test.sh NIMBO_CLI SCENARIO
set -u

cli=$1
scenario=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run EXPECTED_EXIT(ok|fail|N) ARGS...: output lands in $work/out
run() {
  local expected=$1
  shift
  "$cli" "$@" >"$work/out" 2>&1
  local status=$?
  case $expected in
    ok) [ "$status" -eq 0 ] || fail "nimbo-cli $* exited $status"$'\n'"$(cat "$work/out")" ;;
    fail) [ "$status" -ne 0 ] || fail "nimbo-cli $* succeeded but should have failed" ;;
    *) [ "$status" -eq "$expected" ] || fail "nimbo-cli $* exited $status, not $expected" ;;
  esac
}

# expect_line TEXT: the output of the last run has exactly this line
expect_line() {
  grep -qxF -- "$1" "$work/out" || fail "no line '$1' in:"$'\n'"$(cat "$work/out")"
}

# expect_text TEXT: the output of the last run contains this text
expect_text() {
  grep -qF -- "$1" "$work/out" || fail "no '$1' in:"$'\n'"$(cat "$work/out")"
}

case $scenario in
  info_without_device)
    run fail info
    expect_text "OpenLink failed (LinkStatus 2): USB Interface Not Found! Check that the device's USB cable"
    expect_text "hardware-access.md"
    expect_text "add --simulate"
    ;;
  stop_during_write)
    # SIGTERM in the middle of a real-time settings write: the write is
    # finished, then the program ends with 128 + 15. Four late replies after
    # byte 20 give the signal room to land part-way.
    state="$work/stop.state"
    run ok --simulate="$state" sim fault split WE --after 20 --gap 200ms --times 4
    hex=$(for b in $(seq 0 67); do printf '%02X ' $((b + 100)); done)
    "$cli" --simulate="$state" --real-time --trace settings write "$hex" >"$work/out" 2>&1 &
    writer=$!
    for _ in $(seq 250); do
      grep -qF "> 57 45 14 00" "$work/out" && break  # byte 20 is on its way
      sleep 0.02
    done
    kill -TERM "$writer"
    wait "$writer"
    status=$?
    [ "$status" -eq 143 ] || fail "exit $status, not 143"
    expect_text "nimbo-cli: settings write: SIGTERM: finishing the settings write first"
    expect_line "nimbo-cli: settings write: ending on SIGTERM; the settings write completed"
    run ok --simulate="$state" settings read
    expect_line "${hex% }"
    ;;
  damaged_state_file)
    state="$work/damaged.state"
    printf 'not a device\n' >"$state"
    run fail --simulate="$state" sim mode update
    [ "$(cat "$state")" = "not a device" ] || fail "the damaged state file was overwritten"
    ;;
  held_device)
    # A slow reader holds the link until its fault is cleared; meanwhile a
    # second opener is refused, and the device itself can still be changed.
    state="$work/held.state"
    run ok --simulate="$state" sim fault split RE --gap 200ms --times always
    # The holder tries again when one of the probes below has the link.
    (
      until "$cli" --simulate="$state" --real-time settings read >"$work/holder" 2>&1; do
        grep -qF "another program holds" "$work/holder" || exit 1
      done
    ) &
    holder=$!
    # "info" meets no RE rule: it only finds out when the holder has the link.
    for _ in $(seq 30); do
      "$cli" --simulate="$state" info >"$work/out" 2>&1
      grep -qF "another program holds" "$work/out" && break
      sleep 0.1
    done
    run 1 --simulate="$state" settings read
    expect_text "nimbo-cli: settings read: OpenLink failed (LinkStatus 3): another program holds the simulated device $state"
    run ok --simulate="$state" sim mode update
    run ok --simulate="$state" sim fault clear
    wait "$holder" || fail "the holder failed: $(cat "$work/holder")"
    run ok --simulate="$state" info
    expect_line "Firmware version: 2.1"
    ;;
  concurrent_read_write)
    # Writes, each read back, while another loop keeps reading: no write is
    # lost and no reader ever sees a half-made file.
    state="$work/shared.state"
    run ok --simulate="$state" sim mode
    ( for _ in $(seq 60); do "$cli" --simulate="$state" settings read >/dev/null 2>>"$work/reader"; done ) &
    reader=$!
    # retry ARGS...: runs nimbo-cli until the device is free
    retry() {
      local attempt
      for attempt in $(seq 200); do
        if "$cli" --simulate="$state" "$@" >"$work/out" 2>&1; then return 0; fi
        grep -qF "another program holds" "$work/out" || return 1
      done
      return 1
    }
    for i in $(seq 20); do
      hex=$(for b in $(seq 0 67); do printf '%02X ' $(((b + i * 7) % 256)); done)
      retry settings write "$hex" || fail "write $i: $(cat "$work/out")"
      retry settings read || fail "read-back $i: $(cat "$work/out")"
      [ "$(cat "$work/out")" = "${hex% }" ] || fail "write $i was lost: $(cat "$work/out")"
    done
    wait "$reader"
    if grep -v "another program holds" "$work/reader" | grep -q .; then
      fail "the reader saw: $(grep -v "another program holds" "$work/reader" | head -3)"
    fi
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac

if [ "$failures" -eq 0 ]; then
  echo "$scenario: passed"
fi
exit $((failures > 0))
