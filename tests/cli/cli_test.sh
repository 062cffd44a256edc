#!/usr/bin/env bash
# End-to-end checks of nimbo-cli: runs the built program as a user would and
# looks at its exit status and output. Usage: cli_test.sh NIMBO_CLI SCENARIO
# With NIMBO_TEST_WINDOWS=1, NIMBO_CLI runs nimbo-cli.exe under Wine.
set -u

cli=$1
scenario=$2
windows=${NIMBO_TEST_WINDOWS:-0}
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
    if [ "$windows" = 1 ]; then
      expect_text "nimbo-cli: info: the FTDI D2XX driver is not installed (FTD2XX.DLL: "
    else
      expect_text "OpenLink failed (LinkStatus 2): USB Interface Not Found! Check that the device's USB cable"
      expect_text "hardware-access.md"
      expect_text "add --simulate"
    fi
    ;;
  stop_during_write)
    # Ctrl+C in the middle of a real-time settings write, sent as a terminal
    # sends it: to a script and the program it runs alike. The write is
    # finished, then the program ends by SIGINT itself, so that the script
    # ends too (bash goes on after an exit with 130); under Wine the program
    # gets Ctrl+C and exits with 130. Four late replies after byte 20 give
    # the request room to land part-way.
    state="$work/stop.state"
    run ok --simulate="$state" sim fault split WE --after 20 --gap 200ms --times 4
    hex=$(for b in $(seq 0 67); do printf '%02X ' $((b + 100)); done)
    # A process group of its own, with SIGINT as a terminal would find it.
    setsid env --default-signal=INT bash -c '"$@"; echo "the script went on after $?"' script \
      "$cli" --simulate="$state" --real-time --trace settings write "$hex" >"$work/out" 2>&1 &
    script=$!
    for _ in $(seq 250); do
      grep -qF "> 57 45 14 00" "$work/out" && break  # byte 20 is on its way
      sleep 0.02
    done
    kill -INT -- -"$script"
    wait "$script"
    status=$?
    name=SIGINT
    if [ "$windows" = 1 ]; then
      name=Ctrl+C
      expect_line "the script went on after 130"
    elif [ "$status" -ne 130 ] || grep -q "went on" "$work/out"; then
      fail "the script did not end by SIGINT (status $status):"$'\n'"$(cat "$work/out")"
    fi
    expect_text "nimbo-cli: settings write: $name: finishing the settings write first"
    expect_line "nimbo-cli: settings write: ending on $name; the settings write completed"
    run ok --simulate="$state" settings read
    expect_line "${hex% }"
    # Before any write the request ends the program at once, as a failure.
    run ok --simulate="$state" sim fault split RE --gap 200ms --times always
    setsid env --default-signal=INT "$cli" --simulate="$state" --real-time --trace settings read \
      >"$work/out" 2>&1 &
    reader=$!
    for _ in $(seq 250); do grep -qF "> 52 45" "$work/out" && break; sleep 0.02; done
    kill -INT -- -"$reader"
    wait "$reader"
    status=$?
    [ "$status" -eq 130 ] || fail "a read stopped by $name ended with status $status"
    ;;
  user_files)
    # What this system's names may be: a long one (whose temporary must fit
    # beside it too), one beyond ASCII, and the devices, which are refused
    # with or without --force; nothing else is left in the folder. The LED
    # text too is typed and shown beyond ASCII.
    state="$work/files.state"
    files="$work/files"
    mkdir "$files"
    long="$files/$(printf 'n%.0s' $(seq 250))"
    run ok --simulate="$state" settings backup "$long"
    cp "$long" "$work/first"
    run 1 --simulate="$state" settings backup "$long"
    expect_text "exists already; add --force to replace it"
    run ok --simulate="$state" settings write "$(printf '42 %.0s' $(seq 68))"
    run ok --simulate="$state" settings backup "$long" --force
    if cmp -s "$long" "$work/first"; then fail "$long was not replaced"; fi
    # Its temporary's name is cut inside the "€", and must not be.
    run ok --simulate="$state" settings backup "$files/Grüße aus Kö€ln.txt"
    run ok --simulate="$state" settings backup "$files/Grüße aus Kö€ln.txt" --force
    devices=/dev/null
    if [ "$windows" = 1 ]; then devices='COM1 nul.txt Con \\.\pipe\nimbo'; fi
    run 1 --simulate="$state" settings restore "${devices%% *}"
    expect_text "it is a device, not a regular file"
    for device in $devices; do
      run 1 --simulate="$state" settings backup "$device" --force
      expect_text "it is a device, not a regular file"
    done
    if [ "$windows" = 1 ]; then
      # A ':' past the drive letter would write a hidden stream of a file.
      run 1 --simulate="$state" settings backup "$files/c:x" --force
      expect_text "cannot write $files/c:x: a ':' past the drive letter names a hidden stream"
      run 1 --simulate="$state" settings restore "$long:x"
      expect_text "names a hidden stream inside a file"
      # Windows drops a trailing dot; the message names the file it keeps.
      run ok --simulate="$state" settings backup "$files/trail."
      expect_line "Saved the settings to $files/trail."
      rm "$files/trail" || fail "trail. was not kept as trail"
    fi
    [ "$(ls -A "$files" | LC_ALL=C sort)" = "Grüße aus Kö€ln.txt"$'\n'"${long##*/}" ] ||
      fail "in the folder: $(ls -A "$files")"
    run ok --simulate="$state" matrix write "Grüße, 20 €"
    run ok --simulate="$state" matrix read
    expect_line "Grüße, 20 €"
    ;;
  same_frames)
    # settings read, matrix write, flash and verify send the same frames and
    # get the same replies as with another build of the program: the Linux
    # one, for the Windows one under Wine.
    other=${NIMBO_TEST_HOST_CLI:-}
    if [ ! -x "$other" ]; then
      echo "no Linux nimbo-cli to compare with: build it first (make build)"
      exit 77
    fi
    "$NIMBO_TEST_FWU" sample "$work/s.fwu" || fail "nimbo-fwu sample"
    for program in "$cli" "$other"; do
      frames="$work/frames-$([ "$program" = "$cli" ] && echo this || echo other)"
      for args in "settings read" "matrix write Grüße" "sim mode update" \
          "flash --no-backup $work/s.fwu" "verify $work/s.fwu"; do
        # shellcheck disable=SC2086 # the words of each command
        "$program" --simulate="$frames.state" --trace $args 2>&1 >/dev/null | grep '^[<>] '
      done >"$frames"
    done
    [ "$(wc -l <"$work/frames-this")" -gt 1000 ] || fail "only $(wc -l <"$work/frames-this") frames"
    cmp "$work/frames-this" "$work/frames-other" || fail "$(diff "$work/frames-this" "$work/frames-other" | head)"
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
