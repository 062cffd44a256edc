#!/usr/bin/env bash
# nimbo-cli run as a user would, with an emulated FT232R plugged in and the
# simulated NIMBO device behind it.
# Usage: emulated_cli_test.sh EMULATED_RUN NIMBO_CLI SCENARIO [NIMBO_FWU]
# EMULATION_PRELOAD holds the preloads the emulation needs.
set -u

run=$1
cli=$2
scenario=$3
fwu=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# emulated EXPECTED_EXIT [RUN_OPTIONS...] -- CLI_ARGS...: output in $work/out
emulated() {
  local expected=$1
  shift
  local options=()
  while [ "$1" != "--" ]; do
    options+=("$1")
    shift
  done
  shift
  LD_PRELOAD=$EMULATION_PRELOAD "$run" "${options[@]}" -- "$cli" "$@" >"$work/out" 2>&1
  local status=$?
  [ "$status" -eq "$expected" ] || fail "nimbo-cli $* exited $status, not $expected"$'\n'"$(cat "$work/out")"
}

expect_text() {
  grep -qF -- "$1" "$work/out" || fail "no '$1' in:"$'\n'"$(cat "$work/out")"
}

case $scenario in
  settings_read_trace)
    "$cli" --simulate --trace settings read >"$work/simulated" 2>&1 || fail "the simulated run failed"
    emulated 0 -- --trace settings read
    diff -u "$work/simulated" "$work/out" || fail "the emulated chip's trace differs from --simulate's"
    grep -q "^> 52 45 43 00" "$work/out" || fail "no read of EEPROM address 67 in the trace"
    ;;
  flash_trace)
    "$fwu" sample "$work/update.fwu" || fail "no sample firmware"
    state="$work/device.state"
    "$cli" --simulate="$state" sim mode update >/dev/null || fail "no update mode"
    "$cli" --simulate="$state" --trace flash --no-backup "$work/update.fwu" >"$work/simulated" 2>&1 ||
      fail "the simulated flash failed"$'\n'"$(tail -5 "$work/simulated")"
    # The frames are what counts here, at a thousand times the wire's speed;
    # the other scenarios and the chip's own tests keep to real time.
    emulated 0 --update-mode --speed=1000 -- --trace flash --no-backup "$work/update.fwu"
    diff -u "$work/simulated" "$work/out" >"$work/diff" ||
      fail "the emulated chip's flash trace differs from --simulate's"$'\n'"$(head -20 "$work/diff")"
    [ "$(grep -c "^> 57 4D" "$work/out")" -ge 450 ] || fail "fewer than 450 blocks written"
    ;;
  refused_open)
    emulated 1 --refuse-open -- settings read
    expect_text "OpenLink failed (LinkStatus 3)"
    expect_text "docs/hardware-access.md"
    ;;
  unplug_during_read)
    emulated 1 --unplug-during-read=5 -- settings read
    expect_text "failed: the USB interface reported an I/O error: the device is gone (unplugged?) (LinkStatus 8)"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac

if [ "$failures" -eq 0 ]; then
  echo "$scenario: passed"
fi
exit $((failures > 0))
