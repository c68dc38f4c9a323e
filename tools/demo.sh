#!/usr/bin/env bash
# Builds everything and asks the program its question through Wine's real
# COM runtime: the 32-bit product, build/windows-x86/dravlen.exe, through
# Wine's WoW64 in a throwaway 64-bit prefix, natively or, where the kernel
# cannot execute 32-bit code, under qemu-user's emulation with a binfmt_misc
# entry private to each Wine program's run (tools/i386-execution.sh); where
# 32-bit code cannot run at all, the 64-bit build of the same sources,
# saying why. The project's test volume-driver component is registered and
# reports a sample list of mounted containers. Then runs the batch example,
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
source tools/i386-execution.sh
wine=/usr/lib/wine/wine
build=$PWD/build/windows-x86
i386_execution "$wine"
if [ "$i386_how" = none ]; then
  echo "$i386_why: asking the 64-bit build of the same sources"
  wine=/usr/lib/wine/wine64 build=$PWD/build/windows-x64
else
  echo "asking the 32-bit product, under Wine's WoW64: $i386_why"
fi
demo=$PWD/build/demo
export WINEPREFIX=$demo/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
windows_path() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

mkdir -p "$demo"
/usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w </dev/null >/dev/null 2>&1 || true
# A prefix gets its 32-bit system folder only where 32-bit programs run
# while it is made: one made by an earlier demo that asked the 64-bit build
# is made again.
if [ ! -f "$WINEPREFIX/system.reg" ] ||
   { [ "$wine" = /usr/lib/wine/wine ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; }; then
  echo "creating a Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  i386_run /usr/lib/wine/wine64 wineboot -i </dev/null >"$demo/wineboot.log" 2>&1
  /usr/lib/wine/wineserver -w </dev/null >/dev/null 2>&1 || true
fi
# One wineserver for the whole demo, outside the namespaces of the
# emulated programs, which it must be able to trace.
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
i386_run "$wine" regsvr32 "$(windows_path "$build/tests/wine/component/test_volume_driver.dll")" \
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
  i386_run env LC_ALL=en_US.UTF-8 timeout 60 "$wine" "$(windows_path "$build/tests/wine/launcher/launch.exe")" \
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
i386_run "$wine" cmd /c 'C:\dravlen\check-mounted.cmd' 'D:\Containers\Work.qmv' </dev/null \
  >"$demo/cmd.out" 2>"$demo/cmd.log" || status=$?
tr -d '\r' <"$demo/cmd.out" | sed 's/^/  prints: /'
echo "  exit status $status"

# The console companion: the list, and why this path is not one of it.
echo 'dravlen-list.exe d:/containers/work.qmv'
status=0
i386_run env LC_ALL=en_US.UTF-8 "$wine" 'C:\dravlen\dravlen-list.exe' 'd:/containers/work.qmv' </dev/null \
  >"$demo/list.out" 2>"$demo/list.err" || status=$?
tr -d '\r' <"$demo/list.out" | sed 's/^/  /'
tr -d '\r' <"$demo/list.err" | sed 's/^/  standard error: /'
echo "  exit status $status"
/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
