#!/bin/sh
# windows_driver_test.sh WINE NIMBO_CLI_EXE FAKE_DLL: nimbo-cli.exe reads the
# settings through the real D2XX backend, with the project's stand-in as
# FTD2XX.DLL beside it and the simulated device kept in a state file behind
# that. (Without any FTD2XX.DLL: the scenario info_without_device.)
set -eu
wine=$1 exe=$2 fake=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cp "$exe" "$work/nimbo-cli.exe"
# Its manifest lets it use names past 260 characters.
grep -q '<longPathAware [^>]*>true<' "$exe" || fail "no long-path manifest in $exe"
# A driver in the working folder, where anyone may have put one, is never loaded.
mkdir "$work/cwd" && cp "$fake" "$work/cwd/FTD2XX.DLL"
out=$(cd "$work/cwd" && "$wine" "$work/nimbo-cli.exe" settings read 2>&1) && fail "loaded: $out"
case $out in *"the FTDI D2XX driver is not installed"*) ;; *) fail "from the working folder: $out" ;; esac
cp "$fake" "$work/FTD2XX.DLL"
hex=$(for b in $(seq 0 67); do printf '%02X ' $((b * 3 % 256)); done)
"$wine" "$work/nimbo-cli.exe" --simulate="$work/device.state" settings write "$hex" ||
  fail "settings write"
out=$(NIMBO_FAKE_D2XX_STATE="$work/device.state" "$wine" "$work/nimbo-cli.exe" settings read 2>&1) ||
  fail "settings read: $out"
[ "$out" = "${hex% }" ] || fail "settings read gave: $out"
# No interface behind the driver: the hint names the driver, not Linux's rule.
out=$(NIMBO_FAKE_D2XX_STATE="$work" "$wine" "$work/nimbo-cli.exe" info 2>&1) && fail "info: $out"
case $out in *"FTDI D2XX driver must be installed"*) ;; *) fail "no interface: $out" ;; esac
echo "ok"
