#!/usr/bin/env bash
# Builds everything and asks the program its question through Wine's real
# COM runtime: the 64-bit dravlen.exe in a throwaway Wine prefix, with the
# project's test volume-driver component registered and reporting a sample
# list of mounted containers. Also builds the 32-bit product (which this
# machine cannot run) and the Linux build.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
for preset in host windows-x86 windows-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" >/dev/null
  echo "built $preset"
done
echo "the product: build/windows-x86/dravlen.exe"

wine=/usr/lib/wine/wine64
build=$PWD/build/windows-x64
demo=$PWD/build/demo
export WINEPREFIX=$demo/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
windows_path() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

mkdir -p "$demo"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating a Wine prefix in $WINEPREFIX (once)"
  "$wine" wineboot -i </dev/null >"$demo/wineboot.log" 2>&1
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
# box with OK, since there is no display to click it on.
ask() {
  local line=$1 status=0
  printf '%s' "$line" >"$demo/cmdline.txt"
  rm -f "$demo"/report.txt*
  env LC_ALL=en_US.UTF-8 timeout 60 "$wine" "$(windows_path "$build/tests/wine/launcher/launch.exe")" \
    --report "$(windows_path "$demo/report.txt")" --cmdline-file "$(windows_path "$demo/cmdline.txt")" \
    "$(windows_path "$build/dravlen.exe")" </dev/null >"$demo/launch.log" 2>&1 || status=$?
  printf '%-45s -> exit status %d\n' "$line" "$status"
  if grep -q '^box ' "$demo/report.txt"; then
    printf '  usage box "%s":\n' "$(cat "$demo/report.txt.box1.caption")"
    sed 's/^/    /' "$demo/report.txt.box1.text"
  fi
}
ask 'dravlen.exe d:\containers\work.qmv'
ask 'dravlen.exe "E:\backup\archive 2026.qmv"'
ask 'dravlen.exe d:\containers\other.qmv'
ask 'dravlen.exe E:\backup\archive 2026.qmv'
/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
