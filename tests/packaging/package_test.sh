#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root and checks what
# an installation would get: the file list, programs that run from there,
# valid desktop metadata, and no lintian error.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$root/package" >"$root/cpack.log" 2>&1) ||
  { cat "$root/cpack.log"; fail "cpack failed"; }
deb=$(ls "$root"/package/*.deb)
dpkg-deb -x "$deb" "$root/tree"

id=$(sed -n 's/^NIMBO_APP_ID:STRING=//p' "$build/CMakeCache.txt")
expected=(
  usr/bin/nimbo-control usr/bin/nimbo-cli
  "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml"
  "usr/share/icons/hicolor/48x48/apps/$id.png" "usr/share/icons/hicolor/128x128/apps/$id.png"
  "usr/share/icons/hicolor/256x256/apps/$id.png"
  usr/share/man/man1/nimbo-control.1.gz usr/share/man/man1/nimbo-cli.1.gz
  usr/share/bash-completion/completions/nimbo-cli usr/lib/udev/rules.d/60-nimbo.rules
  usr/share/doc/nimbo-control/README.md usr/share/doc/nimbo-control/copyright
  usr/share/doc/nimbo-control/changelog.gz usr/share/doc/nimbo-control/hardware-access.md
)
if [ -e "$build/tools/nimbo-fwu/nimbo-fwu" ]; then
  expected+=(usr/bin/nimbo-fwu usr/share/man/man1/nimbo-fwu.1.gz
    usr/share/bash-completion/completions/nimbo-fwu)
fi
for file in "${expected[@]}"; do
  [ -f "$root/tree/$file" ] || fail "missing $file"
done
unexpected=$(cd "$root/tree" && find . -type f | sed 's|^\./||' | sort |
  grep -v -x -F -f <(printf '%s\n' "${expected[@]}") || true)
[ -z "$unexpected" ] || fail "files nobody expects: $unexpected"

dpkg-deb -f "$deb" Depends | grep -q 'libftdi1-2' || fail "Depends lacks libftdi1-2"
"$root/tree/usr/bin/nimbo-cli" --help >/dev/null || fail "installed nimbo-cli --help failed"
env -u DISPLAY -u WAYLAND_DISPLAY "$root/tree/usr/bin/nimbo-control" --version |
  grep -q '^nimbo-control ' || fail "installed nimbo-control --version failed"
# Without an interface, the installed tool points at the installed guide.
{ "$root/tree/usr/bin/nimbo-cli" info 2>&1 || true; } |
  grep -qF "$root/tree/usr/share/doc/nimbo-control/hardware-access.md" ||
  fail "nimbo-cli does not name the installed hardware-access.md"
zcat "$root/tree/usr/share/man/man1/nimbo-cli.1.gz" | grep -q '^\.TH' || fail "nimbo-cli.1 is no manual page"

desktop-file-validate "$root/tree/usr/share/applications/$id.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net "$root/tree/usr/share/metainfo/$id.metainfo.xml" ||
  fail "AppStream metadata invalid"
# Errors fail the test; warnings are listed (and explained in packaging/CMakeLists.txt).
lintian --tag-display-limit 0 "$deb" >"$root/lintian.log" 2>&1 || true
grep -v 'root privileges' "$root/lintian.log" || true
if grep -q '^E:' "$root/lintian.log"; then
  fail "lintian reports errors"
fi
echo "package test: $(basename "$deb") passed"
