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
  trace_settings_write)
    # 68 bytes, byte 3 = 0x41; the others count up from 0x10.
    hex=""
    for i in $(seq 0 67); do
      if [ "$i" -eq 3 ]; then byte=65; else byte=$((16 + i)); fi
      hex+=$(printf '%02X' "$byte")
    done
    run ok --simulate --trace settings write "$hex"
    expect_line "> 57 45 03 00 41 4A"
    expect_line "< 57 45 01"
    ;;
  info_needs_update_mode)
    state="$work/device.state"
    run fail --simulate="$state" info
    expect_text "ReadDeviceInfo failed (LinkStatus 8)"
    run ok --simulate="$state" sim mode update
    run ok --simulate="$state" sim version 3.14
    run ok --simulate="$state" info
    expect_line "Firmware version: 3.14"
    run ok --simulate="$state" sim mode
    expect_line "update"
    ;;
  info_without_device)
    run fail info
    expect_text "OpenLink failed (LinkStatus 2)"
    expect_text "Not Found"
    ;;
  damaged_state_file)
    state="$work/damaged.state"
    printf 'not a device\n' >"$state"
    run fail --simulate="$state" sim mode update
    [ "$(cat "$state")" = "not a device" ] || fail "the damaged state file was overwritten"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac

if [ "$failures" -eq 0 ]; then
  echo "$scenario: passed"
fi
exit $((failures > 0))
