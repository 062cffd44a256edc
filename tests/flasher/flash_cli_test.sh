#!/bin/sh
# A whole firmware update through nimbo-cli against the simulated device,
# with an image made here rather than by the program (keep-text: with the
# backups a flash saves first).
#   flash_cli_test.sh NIMBO_CLI NIMBO_FWU CASE
# CASE: keep-text | reset-matrix | refusals | closed-pipe
set -eu
cli=$1 fwu=$2 case=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail() { echo "FAIL: $*" >&2; exit 1; }

# Image: "FW", a byte, version 1.2, byte 4 = 0, 67 more header bytes, 28,800
# random program bytes, and an unused tail.
{ printf 'FW\000\022\000'; head -c 67 /dev/zero; head -c 28800 /dev/urandom; head -c 3904 /dev/zero; } > image.bin
[ "$(wc -c < image.bin)" -eq 32776 ] || fail "image size"
head -c 28872 image.bin | tail -c 28800 > program.bin   # image bytes 72..28871
"$fwu" encode image.bin update.fwu --seed 7
# Written to standard output, the same bytes (no line ends turned into CR LF).
"$fwu" encode image.bin - --seed 7 | cmp - update.fwu || fail "the update on standard output"

sim() { "$cli" --simulate=device.state "$@"; }
slice() { tail -c +$(($2 + 1)) "$1" | head -c "$3"; }  # FILE OFFSET COUNT
sim sim mode update

case $case in
keep-text)
  sim memory read 2000 768 --output text-before.bin
  sim flash update.fwu 2> flash.log || { cat flash.log; fail "flash"; }
  ls nimbo-backup-*-01-settings.txt nimbo-backup-*-01-matrix.txt > /dev/null || fail "backups"
  grep -q '^Current Firmware: v.\..  -  New Firmware: v1\.2$' flash.log || fail "version line"
  grep -q '^Flashing CPU\.\.\.100%$' flash.log || fail "progress"
  sim memory read 0020 28800 --output after.bin
  # 0x2000..0x217F are bytes 16320..17087 of the program area: the kept text.
  slice after.bin 0 16320 > a1; slice program.bin 0 16320 > p1
  cmp a1 p1 || fail "program below the text"
  slice after.bin 16320 768 | cmp - text-before.bin || fail "kept text"
  slice after.bin 17088 11712 > a2; slice program.bin 17088 11712 > p2
  cmp a2 p2 || fail "program above the text (0x2180..0x385F)"
  # verify reads it back and writes nothing; another firmware differs at once.
  sim --trace verify update.fwu > verify.log 2>&1 || { cat verify.log; fail "verify"; }
  if grep -q '^> 57 4[5D]' verify.log; then fail "verify wrote"; fi
  grep -q '^Verifying\.\.\.100%$' verify.log || fail "verify progress"
  "$fwu" sample other.fwu
  if sim verify other.fwu 2> verify.log; then fail "verify took another firmware"; fi
  grep -q 'the first is block 0 at device address 0x0020, byte' verify.log || fail "$(cat verify.log)"
  # On a terminal the progress line is redrawn and ended before the message.
  # (Not under Wine: its console draws the terminal with escapes of its own.)
  if [ "${NIMBO_TEST_WINDOWS:-0}" != 1 ]; then
    script -qec "$cli --simulate=device.state verify other.fwu" /dev/null < /dev/null |
      tr -d '\r' > tty.log
    grep -q '^nimbo-cli: verify: the device differs' tty.log || fail "tty: $(tail -c 99 tty.log)"
  fi
  ;;
closed-pipe)
  # Output into a pipe that closes after 100 bytes, far fewer than the trace
  # has: the printing stops, the flash goes on to its end.
  sim memory read 2000 768 --output text-before.bin
  { sim --trace flash --no-backup update.fwu 2>&1 && echo 0 > status || echo $? > status; } |
    head -c 100 > /dev/null
  [ "$(cat status)" = 1 ] || fail "exit $(cat status), not 1 (its output was not written)"
  sim verify update.fwu > /dev/null 2>&1 || fail "the flash did not complete"
  sim memory read 2000 768 --output text-after.bin
  cmp text-before.bin text-after.bin || fail "kept text"
  ;;
reset-matrix)
  sim flash --no-backup update.fwu --reset-matrix 2> flash.log || { cat flash.log; fail "flash"; }
  sim memory read 0020 28800 --output after.bin
  cmp after.bin program.bin || fail "device memory differs from the image"
  ;;
refusals)
  head -c 131103 update.fwu > short.fwu
  cp update.fwu update.bin
  { printf 'FW\000\022\001'; tail -c +6 image.bin; } > broken-image.bin
  "$fwu" encode broken-image.bin broken.fwu
  mkdir folder.fwu
  # Each refused before the device is touched, with the reason in one line.
  for refusal in "short.fwu:shorter than 131104 bytes" "update.bin:its name does not end in \"fwu\"" \
      "broken.fwu:unknown firmware (header byte 4 is not 0)" "folder.fwu:not a regular file" \
      "missing.fwu:cannot be opened: ?*"; do
    file=${refusal%%:*}
    for command in flash verify; do
      if sim --trace $command "$file" > out.log 2> err.log; then fail "$command took $file"; fi
      if grep -q '^> ' err.log; then fail "$command $file: the device was touched"; fi
      # One line; the system's reason for a missing file is in its own words.
      expected="nimbo-cli: $command: $file: ${refusal#*:}"
      [ $command = flash ] && expected="$expected; nothing was written to the device"
      # shellcheck disable=SC2254
      case "$(cat err.log)" in $expected) [ "$(wc -l < err.log)" -eq 1 ] ;; *) false ;; esac ||
        fail "$command $file: $(cat err.log)"
    done
    if "$cli" fwu-info "$file" > /dev/null 2>&1; then fail "fwu-info accepted $file"; fi
  done
  sim sim mode normal
  for command in flash verify; do  # refused in the same words; verify reads nothing
    if sim --trace $command update.fwu 2> err.log; then fail "$command: a device in normal mode"; fi
    if [ $command = verify ] && grep -q '^> 52 4D' err.log; then fail "verify read"; fi
    suffix=; [ $command = flash ] && suffix="; nothing was written to the device"
    grep -qxF "nimbo-cli: $command: the device is not in update mode: the device answers \"IF\" only in update mode; put the simulated device into it with: nimbo-cli --simulate=device.state sim mode update$suffix" err.log ||
      fail "normal mode: $(cat err.log)"
  done
  "$cli" fwu-info update.fwu > info.log || fail "fwu-info refused a good file"
  grep -q '^Version: 1\.2' info.log || fail "fwu-info version"
  ;;
*) fail "unknown case $case" ;;
esac
echo "ok: $case"
