#!/usr/bin/env bash
# Builds everything and asks the program its question through Wine's real
# COM runtime: the 32-bit product, build/windows-x86/dravlen.exe, through
# Wine's WoW64 in a throwaway 64-bit prefix (or, where the 32-bit Wine
# loader is missing or this machine cannot execute 32-bit code, the 64-bit
# build of the same sources, saying which),
# with the project's test volume-driver component registered and reporting
# a sample list of mounted containers. Then runs the batch example,
# examples/check-mounted.cmd, once through Wine's cmd.exe, and the console
# companion, dravlen-list.exe, once with a path that misses.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
for preset in host windows-x86 windows-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" >/dev/null
  echo "built $preset"
done
echo "the product: build/windows-x86/dravlen.exe and build/windows-x86/dravlen-list.exe"

# The 32-bit loader itself decides, as in the windows-x86 tests: Debian's
# /usr/bin/wine is a wrapper that quietly runs the 64-bit loader when the
# 32-bit one is missing.
wine=/usr/lib/wine/wine
build=$PWD/build/windows-x86
if [ ! -e "$wine" ]; then
  echo "the 32-bit Wine loader $wine is not installed (the package wine32:i386, which the" \
    "set-up could not install, see above): asking the 64-bit build of the same sources"
  wine=/usr/lib/wine/wine64 build=$PWD/build/windows-x64
elif ! version=$("$wine" --version </dev/null 2>&1) || [[ "$version" != wine-* ]]; then
  echo "this machine cannot execute 32-bit code ($wine --version: $version):" \
    "asking the 64-bit build of the same sources"
  wine=/usr/lib/wine/wine64 build=$PWD/build/windows-x64
else
  echo "asking the 32-bit product, under Wine's WoW64"
fi
demo=$PWD/build/demo
export WINEPREFIX=$demo/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
windows_path() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

mkdir -p "$demo"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating a Wine prefix in $WINEPREFIX (once)"
  /usr/lib/wine/wine64 wineboot -i </dev/null >"$demo/wineboot.log" 2>&1
fi
"$wine" regsvr32 "$(windows_path "$build/tests/wine/component/test_volume_driver.dll")" \
  </dev/null >"$demo/regsvr32.log" 2>&1

cat >"$demo/scenario.txt" <<'LIST'
entry=D:\Containers\Work.qmv
entry=E:\backup\archive 2026.qmv
LIST
export DRAVLEN_TEST_SCENARIO DRAVLEN_TEST_LEDGER
DRAVLEN_TEST_SCENARIO=$(windows_path "$demo/scenario.txt")
DRAVLEN_TEST_LEDGER=$(windows_path "$demo/ledger.txt")
echo "the component reports these containers as mounted:"
sed 's/^entry=/  /' "$demo/scenario.txt"

# The launcher passes the command line byte for byte and answers the usage
# box with OK, since there is no display to click it on. Further arguments
# go to the launcher: --station starts the program in a window station
# without visible display surfaces, as a service or a remote shell would.
ask() {
  local line=$1 status=0
  shift
  printf '%s' "$line" >"$demo/cmdline.txt"
  rm -f "$demo"/report.txt*
  env LC_ALL=en_US.UTF-8 timeout 60 "$wine" "$(windows_path "$build/tests/wine/launcher/launch.exe")" \
    --report "$(windows_path "$demo/report.txt")" --cmdline-file "$(windows_path "$demo/cmdline.txt")" \
    "$@" "$(windows_path "$build/dravlen.exe")" </dev/null >"$demo/launch.log" 2>&1 || status=$?
  printf '%-45s -> exit status %d%s\n' "$line" "$status" "${1:+ (in a window station nobody sees)}"
  if grep -q '^box ' "$demo/report.txt"; then
    printf '  usage box "%s":\n' "$(cat "$demo/report.txt.box1.caption")"
    sed 's/^/    /' "$demo/report.txt.box1.text"
  elif [ "$status" = 3 ]; then
    echo "  no usage box: nobody could have dismissed it"
  fi
}
ask 'dravlen.exe d:\containers\work.qmv'
ask 'dravlen.exe "E:\backup\archive 2026.qmv"'
ask 'dravlen.exe d:\containers\other.qmv'
ask 'dravlen.exe E:\backup\archive 2026.qmv'
ask 'dravlen.exe E:\backup\archive 2026.qmv' --station DravlenHidden

# The batch example, with the programs beside it, as a user would copy them.
mkdir -p "$WINEPREFIX/drive_c/dravlen"
cp "$build/dravlen.exe" "$build/dravlen-list.exe" examples/*.cmd "$WINEPREFIX/drive_c/dravlen/"
echo 'cmd /c C:\dravlen\check-mounted.cmd D:\Containers\Work.qmv'
status=0
"$wine" cmd /c 'C:\dravlen\check-mounted.cmd' 'D:\Containers\Work.qmv' </dev/null \
  >"$demo/cmd.out" 2>"$demo/cmd.log" || status=$?
tr -d '\r' <"$demo/cmd.out" | sed 's/^/  prints: /'
echo "  exit status $status"

# The console companion: the list, and why this path is not one of it.
echo 'dravlen-list.exe d:/containers/work.qmv'
status=0
LC_ALL=en_US.UTF-8 "$wine" 'C:\dravlen\dravlen-list.exe' 'd:/containers/work.qmv' </dev/null \
  >"$demo/list.out" 2>"$demo/list.err" || status=$?
tr -d '\r' <"$demo/list.out" | sed 's/^/  /'
tr -d '\r' <"$demo/list.err" | sed 's/^/  standard error: /'
echo "  exit status $status"
/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
