#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a scratch root and runs the
# installed programs from there: they must find their support files in share/zovtool without
# ZOVTOOL_SUPPORT_DIR, as an installed copy does.
# Usage: check-package.sh BUILD_FOLDER
set -uo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAIL: cpack -G DEB failed"
  exit 1
fi
deb=$(ls "$scratch"/out/zovtool_*.deb 2>/dev/null | head -n 1)
[[ -n $deb ]] || { echo "FAIL: no zovtool_*.deb in $scratch/out"; exit 1; }
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libstdc++6 liblua5.4; do
  grep -q "$library" <<<"$depends" || fail "Depends does not name $library"
done
grep -q dialout <<<"$(dpkg-deb -f "$deb" Description)" || fail "the description has no dialout note"

root=$scratch/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x failed"; exit 1; }
expected=(
  usr/bin/zovcli usr/bin/zov-boardsim
  usr/share/zovtool/ZOVtoolSupportFiles/ZOVtool.ini
  usr/share/zovtool/ZOVtoolSupportFiles/ZOVtoolStrings.ini
  usr/share/zovtool/ZOVtoolSupportFiles/BootLoader.hex
  usr/share/zovtool/ZOVtoolSupportFiles/BootMonitor.hex
  usr/share/zovtool/scenarios/bad-line.ini
  usr/share/applications/zovtool.desktop
  usr/share/icons/hicolor/scalable/apps/zovtool.svg
  usr/share/icons/hicolor/48x48/apps/zovtool.png
  usr/share/icons/hicolor/256x256/apps/zovtool.png
  usr/share/man/man1/zovcli.1.gz usr/share/man/man1/zovtool.1.gz usr/share/man/man1/zov-boardsim.1.gz
  usr/share/bash-completion/completions/zovcli
  usr/share/doc/zovtool/copyright usr/share/doc/zovtool/README.md
)
[[ -x $build/bin/zovtool ]] && expected+=(usr/bin/zovtool)
[[ -f $build/share/doc/zovtool/user-guide.html ]] && expected+=(usr/share/doc/zovtool/user-guide.html)
for file in "${expected[@]}"; do
  [[ -e $root/$file ]] || fail "the package has no /$file"
done
if [[ -x $root/usr/bin/zovtool ]]; then
  for package in libqt6widgets6 qt6-qpa-plugins; do
    grep -q "$package" <<<"$depends" || fail "Depends does not name $package"
  done
fi

# The guide's pictures are in the package beside it.
guide=$root/usr/share/doc/zovtool/user-guide.html
if [[ -f $guide ]]; then
  for picture in $(grep -o 'src="[^"]*"' "$guide" | sed 's/^src="//; s/"$//'); do
    [[ -f $root/usr/share/doc/zovtool/$picture ]] || fail "the user guide shows $picture, which the package lacks"
  done
fi

unset ZOVTOOL_SUPPORT_DIR
bin=$root/usr/bin
support=$root/usr/share/zovtool/ZOVtoolSupportFiles
"$bin/zovcli" --help >"$scratch/help.txt" || fail "the installed zovcli --help exited with $?"
grep -q '^commands:' "$scratch/help.txt" || fail "the installed zovcli --help lists no commands"
info=$("$bin/zovcli" hex info "$support/BootMonitor.hex") || fail "zovcli hex info on the installed BootMonitor.hex exited with $?"
echo "$info"
grep -q -i '0x00f600' <<<"$info" || fail "zovcli hex info does not show the monitor's block at 0x00F600"
"$bin/zov-boardsim" --help >/dev/null || fail "the installed zov-boardsim --help exited with $?"

# The installed zovcli reads the board in boot mode with the installed boot images, against the
# installed simulated board: the support folder is found from the program's own place.
link=$scratch/board
mkfifo "$scratch/ready"
"$bin/zov-boardsim" --link "$link" >"$scratch/ready" 2>"$scratch/board.err" &
board=$!
exec 3<"$scratch/ready"
ready=''
read -r -t 20 -u 3 ready
if [[ $ready == ready* ]]; then
  settings=$scratch/settings.reg
  if "$bin/zovcli" --settings "$settings" --port "$link" --yes flash read 0x00F600 4 \
      >"$scratch/flash.txt" 2>"$scratch/flash.err"; then
    echo "flash read: $(head -n 1 "$scratch/flash.txt")"
    grep -q -i '5a 42 4d 31' "$scratch/flash.txt" || fail "flash read at 0x00F600 did not show the installed monitor (ZBM1)"
  else
    fail "the installed zovcli flash read failed: $(cat "$scratch/flash.err")"
  fi
else
  fail "the installed zov-boardsim did not get ready: $(cat "$scratch/board.err")"
fi
kill "$board" 2>/dev/null
wait "$board" 2>/dev/null
exec 3<&-

if ((failures > 0)); then
  echo "$failures failures"
  exit 1
fi
echo "package: installed programs ran from $root"
