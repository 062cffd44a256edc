#!/bin/sh
# A whole firmware update through nimbo-cli against the simulated device,
# with an image made here rather than by the program.
#   flash_cli_test.sh NIMBO_CLI NIMBO_FWU WORKDIR CASE
# CASE: keep-text | reset-matrix | refusals
set -eu
cli=$1 fwu=$2 dir=$3 case=$4
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir"
fail() { echo "FAIL: $*" >&2; exit 1; }

# Image: "FW", a byte, version 1.2, byte 4 = 0, 67 more header bytes, 28,800
# random program bytes, and an unused tail.
{ printf 'FW\000\022\000'; head -c 67 /dev/zero; head -c 28800 /dev/urandom; head -c 3904 /dev/zero; } > image.bin
[ "$(wc -c < image.bin)" -eq 32776 ] || fail "image size"
head -c 28872 image.bin | tail -c 28800 > program.bin   # image bytes 72..28871
"$fwu" encode image.bin update.fwu --seed 7

sim() { "$cli" --simulate=device.state "$@"; }
slice() { tail -c +$(($2 + 1)) "$1" | head -c "$3"; }  # FILE OFFSET COUNT
sim sim mode update

case $case in
keep-text)
  sim memory read 2000 768 --output text-before.bin
  sim flash --no-backup update.fwu 2> flash.log || { cat flash.log; fail "flash"; }
  grep -q '^Current Firmware: v.\..  -  New Firmware: v1\.2$' flash.log || fail "version line"
  grep -q '^Flashing CPU\.\.\.100%$' flash.log || fail "progress"
  sim memory read 0020 28800 --output after.bin
  # 0x2000..0x217F are bytes 16320..17087 of the program area: the kept text.
  slice after.bin 0 16320 > a1; slice program.bin 0 16320 > p1
  cmp a1 p1 || fail "program below the text"
  slice after.bin 16320 768 | cmp - text-before.bin || fail "kept text"
  slice after.bin 17088 11712 > a2; slice program.bin 17088 11712 > p2
  cmp a2 p2 || fail "program above the text (0x2180..0x385F)"
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
  for file in short.fwu update.bin broken.fwu folder.fwu missing.fwu; do
    if sim --trace flash "$file" > out.log 2> err.log; then fail "$file was flashed"; fi
    if grep -q '^> 57 4D' err.log; then fail "$file: memory was written"; fi
    case $file in
    broken.fwu) grep -q 'Unable to update!: Unknown firmware!' err.log || fail "$file: message" ;;
    *) grep -q 'Unable to update!: Invalid or missing firmware file!' err.log || fail "$file: message" ;;
    esac
    if "$cli" fwu-info "$file" > /dev/null 2>&1; then fail "fwu-info accepted $file"; fi
  done
  "$cli" fwu-info update.fwu > info.log || fail "fwu-info refused a good file"
  grep -q '^Version: 1\.2' info.log || fail "fwu-info version"
  ;;
*) fail "unknown case $case" ;;
esac
echo "ok: $case"
