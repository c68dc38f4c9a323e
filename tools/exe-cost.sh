#!/usr/bin/env bash
# The Windows program's cost per run and the size of its 32-bit build.
#
# Times the 64-bit dravlen.exe under Wine against an empty GUI program that
# imports the same DLLs (bench/empty_gui), interleaved, and prints both
# medians and their ratio: what the program costs beyond starting a process
# with those DLLs. No component is registered in the throwaway Wine prefix,
# so dravlen.exe answers 4 after trying to create it. Then checks the
# stripped 32-bit dravlen.exe against its size budget of 256 KiB.
#
# Builds the presets windows-x64 and windows-x86 when they have no
# dravlen.exe yet. DRAVLEN_EXE_X64 and DRAVLEN_EXE_X86 name other builds to
# measure instead; DRAVLEN_EXE_COST_RUNS sets the runs of each (at least 20).
# Exits 1 when a run answers other than expected or the size budget fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

runs=${DRAVLEN_EXE_COST_RUNS:-20}
[ "$runs" -ge 20 ] || runs=20
size_budget=$((256 * 1024))
work=$root/build/exe-cost
mkdir -p "$work"

# The preset's dravlen.exe, built first when it is missing.
preset_exe() {
  local preset=$1 exe=$root/build/$1/dravlen.exe
  if [ ! -f "$exe" ]; then
    echo "=== building $preset" >&2
    if [ ! -f "$root/build/$preset/CMakeCache.txt" ]; then
      cmake --preset "$preset" >/dev/null || return 1
    fi
    cmake --build --preset "$preset" --target dravlen -j "$(nproc)" >/dev/null || return 1
  fi
  echo "$exe"
}
x64=${DRAVLEN_EXE_X64:-$(preset_exe windows-x64)}
x86=${DRAVLEN_EXE_X86:-$(preset_exe windows-x86)}

# The empty program, with the compiler the windows-x64 toolchain prefers.
cxx=$(command -v x86_64-w64-mingw32-g++-win32 || command -v x86_64-w64-mingw32-g++)
empty=$work/empty_gui.exe
source=$root/bench/empty_gui/empty_gui.cc
if [ ! -f "$empty" ] || [ "$source" -nt "$empty" ]; then
  "$cxx" -std=c++17 -O2 -Wall -Wextra -mwindows -static -static-libgcc -static-libstdc++ -s \
    "$source" -o "$empty" -lole32 -loleaut32
fi

imports() { x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ { print $3 }' | sort | xargs; }
echo "imports of dravlen.exe: $(imports "$x64")"
echo "imports of the empty program: $(imports "$empty")"

wine64=${DRAVLEN_WINE64:-/usr/lib/wine/wine64}
wineserver=${DRAVLEN_WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX=$work/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
log=$work/wine.log
: >"$log"

# Wine's background processes must not hold this script's output open.
stop_server() {
  "$wineserver" -k </dev/null >>"$log" 2>&1 || true
  "$wineserver" -w </dev/null >>"$log" 2>&1 || true
}
stop_server  # of an earlier run that was interrupted
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "=== creating the Wine prefix $WINEPREFIX"
  "$wine64" wineboot -i </dev/null >>"$log" 2>&1 || { cat "$log"; exit 1; }
  stop_server  # the registry reaches the disk when the server ends
fi
# One wineserver for every run, as on a desktop where programs start into a
# running session.
"$wineserver" -p </dev/null >>"$log" 2>&1
trap stop_server EXIT

argument='C:\Users\alice\Documents\Work\absent.vol'
# run EXE: prints the wall time in milliseconds and the exit status.
run() {
  local start end status=0
  start=$(date +%s%N)
  "$wine64" "$1" "$argument" </dev/null >>"$log" 2>&1 || status=$?
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $status"
}
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.1f", (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2000 }'; }

echo "=== $runs runs of each, interleaved"
run "$x64" >/dev/null  # the first start of a program pays for loading Wine's own DLLs
run "$empty" >/dev/null
failures=0
ours=()
floor=()
for ((i = 0; i < runs; i++)); do
  # Alternate which goes first, so that drift of the machine falls on both.
  order=("$x64" "$empty")
  ((i % 2 == 0)) || order=("$empty" "$x64")
  for exe in "${order[@]}"; do
    read -r micros status < <(run "$exe")
    if [ "$exe" = "$x64" ]; then
      ours+=("$micros")
      expected=4
    else
      floor+=("$micros")
      expected=0
    fi
    if [ "$status" != "$expected" ]; then
      echo "FAIL  $(basename "$exe") exited $status, expected $expected"
      failures=$((failures + 1))
    fi
  done
done
ours_ms=$(printf '%s\n' "${ours[@]}" | median)
floor_ms=$(printf '%s\n' "${floor[@]}" | median)
echo "dravlen.exe (x64), median of $runs: $ours_ms ms"
echo "empty GUI program, median of $runs: $floor_ms ms"
echo "ratio: $(awk "BEGIN { printf \"%.2f\", $ours_ms / $floor_ms }")"

echo "=== size"
size=$(stat -c %s "$x86")
stripped=yes
i686-w64-mingw32-objdump -h "$x86" | grep -q '\.debug_' && stripped=no
i686-w64-mingw32-nm "$x86" 2>&1 | grep -q 'no symbols' || stripped=no
if [ "$stripped" = yes ] && [ "$size" -le "$size_budget" ]; then
  echo "PASS  dravlen.exe (x86): $size bytes ($(awk "BEGIN { printf \"%.1f\", $size / 1024 }")" \
    "KiB), stripped; budget $size_budget bytes (256 KiB)"
else
  echo "FAIL  dravlen.exe (x86): $size bytes, stripped: $stripped; budget $size_budget bytes" \
    "(256 KiB), stripped"
  failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] || exit 1
