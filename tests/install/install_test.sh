#!/usr/bin/env bash
# The installation as a user gets it: the tree `cmake --install` makes, the Debian package cpack
# makes (its control data and contents), and the installed programs' main road run from the
# unpacked package on demo data, offscreen.
#   install_test.sh BUILD_FOLDER
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_file() { [ -f "$1" ] || fail "missing $1"; }
expect_program() { [ -x "$1" ] || fail "missing program $1"; }

programs=(volarin-positivepay volarin-positivepay-road volarin-positivepay-cli make-demo-data dbfdump)
desktop=share/applications/volarin-positivepay.desktop
icon=share/icons/hicolor/scalable/apps/volarin-positivepay.svg

# 1. The install tree.
cmake --install "$build" --prefix "$scratch/tree" >/dev/null
for p in "${programs[@]}"; do expect_program "$scratch/tree/bin/$p"; done
expect_file "$scratch/tree/$desktop"
expect_file "$scratch/tree/$icon"
if [ -f "$scratch/tree/$desktop" ]; then
  desktop-file-validate "$scratch/tree/$desktop" || fail "the desktop entry is not valid"
  exec_line=$(sed -n 's/^Exec=//p' "$scratch/tree/$desktop")
  [ -x "$scratch/tree/bin/${exec_line%% *}" ] || fail "Exec=$exec_line names no installed program"
  [ "$(sed -n 's/^Icon=//p' "$scratch/tree/$desktop")" = volarin-positivepay ] ||
    fail "the desktop entry names another icon"
fi
grep -q '<svg' "$scratch/tree/$icon" 2>/dev/null || fail "the icon is not an SVG picture"

# 2. The Debian package.
(cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log"; fail "cpack could not make the package"; }
deb=$(ls "$scratch"/package/*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  fail "no .deb was made"
else
  [ "$(dpkg-deb -f "$deb" Package)" = volarin-positivepay ] || fail "package name"
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
  depends=$(dpkg-deb -f "$deb" Depends)
  for needed in libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 qt6-qpa-plugins \
                fonts-liberation libc6; do
    [[ ",$depends," == *[\ ,]"$needed"[\ ,\(]* ]] || fail "Depends lacks $needed: $depends"
  done
  contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for p in "${programs[@]}"; do
    grep -qx "./usr/bin/$p" <<<"$contents" || fail "the package lacks usr/bin/$p"
  done
  grep -qx "./usr/$desktop" <<<"$contents" || fail "the package lacks the desktop entry"
  grep -qx "./usr/$icon" <<<"$contents" || fail "the package lacks the icon"

  # 3. The installed programs on demo data, offscreen, with the pickup folder under a home of
  # the test's own.
  dpkg-deb -x "$deb" "$scratch/root"
  bin="$scratch/root/usr/bin"
  mkdir -p "$scratch/home"
  "$bin/make-demo-data" "$scratch/data" >/dev/null || fail "make-demo-data from the package"
  if (cd "$scratch/data" && HOME="$scratch/home" QT_QPA_PLATFORM=offscreen \
        "$bin/volarin-positivepay-road" >"$scratch/road.log" 2>&1); then
    ls "$scratch"/home/VOLARINC/POSPAY/*.txt >/dev/null 2>&1 || fail "no file in the pickup folder"
    ls "$scratch"/data/PositivePayReport-*.pdf >/dev/null 2>&1 || fail "no report PDF"
    ls "$scratch"/data/POSPAY/PP*/*.txt >/dev/null 2>&1 || fail "no archive file"
  else
    cat "$scratch/road.log"
    fail "the installed road did not finish"
  fi
  # A data folder named on the command line that does not exist is refused before any window.
  if QT_QPA_PLATFORM=offscreen "$bin/volarin-positivepay" "$scratch/no-such-folder" \
       2>"$scratch/refused.log"; then
    fail "a missing data folder was accepted"
  fi
  grep -q "The data folder $scratch/no-such-folder does not exist" "$scratch/refused.log" ||
    fail "no clear message for a missing data folder: $(cat "$scratch/refused.log")"
  # The road has just sent today's file for this account: the history stops a second one unless
  # the run is told to go on.
  status=0
  "$bin/volarin-positivepay-cli" --data "$scratch/data" --account ESC1001 \
    --pickup "$scratch/cli-pickup" >"$scratch/cli.log" 2>&1 || status=$?
  [ "$status" -eq 7 ] ||
    fail "a second file for the day was not refused (exit $status): $(cat "$scratch/cli.log")"
  "$bin/volarin-positivepay-cli" --data "$scratch/data" --account ESC1001 --accept-warnings \
    --pickup "$scratch/cli-pickup" >"$scratch/cli.log" 2>&1 ||
    fail "the installed command-line program failed: $(cat "$scratch/cli.log")"
  ls "$scratch"/cli-pickup/*.txt >/dev/null 2>&1 || fail "no pickup file from the command line"
  "$bin/dbfdump" --check "$scratch/data/zorppay.dbf" >/dev/null ||
    fail "dbfdump --check from the package on the register"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "install tree, package and installed road: all as expected"
