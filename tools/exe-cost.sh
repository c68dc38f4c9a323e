#!/usr/bin/env bash
# The Windows program's cost per run, against the real floor.
#
# Times each build of dravlen.exe under Wine against a plain C program that
# makes the same COM conversation with the component (bench/com_floor),
# built for the same processor: the 32-bit product under the 32-bit loader
# (WoW64; natively, or under qemu-user's emulation where the kernel cannot
# execute 32-bit code, tools/i386-execution.sh), the 64-bit build under
# wine64. One 64-bit prefix with the
# project's test component registered for both processors, one wineserver
# for every run, the runs of a pair interleaved with alternating order.
# The component reports a few mounted containers; the argument is not one
# of them, so every run answers 0. Prints the medians and both ratios; the
# budget is 1.05 on a quiet machine (a busy one moves the figures by up to
# a third).
#
# Builds the presets windows-x86 and windows-x64 when they have no
# dravlen.exe yet. DRAVLEN_EXE_COST_RUNS sets the runs of each (at least
# 20). Where 32-bit code cannot run here at all, the x86 pair is skipped
# and says why. Exits 1 when a run answers other than 0.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

runs=${DRAVLEN_EXE_COST_RUNS:-20}
[ "$runs" -ge 20 ] || runs=20
work=$root/build/exe-cost
mkdir -p "$work"
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
wineserver=/usr/lib/wine/wineserver
windows_path() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

# The preset's build, made first when it has no dravlen.exe or component.
build_preset() {
  local preset=$1
  if [ ! -f "$root/build/$preset/dravlen.exe" ] ||
     [ ! -f "$root/build/$preset/tests/wine/component/test_volume_driver.dll" ]; then
    echo "=== building $preset"
    [ -f "$root/build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target dravlen test_volume_driver -j "$(nproc)" >/dev/null
  fi
}

# The floor, with the compiler the preset's toolchain prefers.
build_floor() {
  local triple=$1 out=$work/com_floor-$1.exe source=$root/bench/com_floor/com_floor.c cc
  cc=$(command -v "$triple-gcc-win32" || command -v "$triple-gcc")
  if [ ! -f "$out" ] || [ "$source" -nt "$out" ]; then
    "$cc" -std=c11 -O2 -Wall -Wextra -Werror -mwindows -static -s "$source" -o "$out" \
      -lole32 -loleaut32 -luuid
  fi
  echo "$out"
}

source tools/i386-execution.sh
x86_runs=yes
i386_execution "$wine32"
if [ "$i386_how" = none ]; then
  x86_runs=no
  echo "*** SKIPPED x86: $i386_why"
else
  echo "x86: $i386_why"
fi
build_preset windows-x64
[ "$x86_runs" = no ] || build_preset windows-x86

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
# A prefix gets its 32-bit system folder only where 32-bit programs run
# while it is made.
if [ ! -f "$WINEPREFIX/system.reg" ] ||
   { [ "$x86_runs" = yes ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; }; then
  echo "=== creating the Wine prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  i386_run "$wine64" wineboot -i </dev/null >>"$log" 2>&1 || { cat "$log"; exit 1; }
  stop_server  # the registry reaches the disk when the server ends
fi
# One wineserver for every run, as on a desktop where programs start into a
# running session; outside the namespaces of emulated programs, which it
# must be able to trace.
"$wineserver" -p </dev/null >>"$log" 2>&1
trap stop_server EXIT

printf '%s\n' 'entry=C:\Users\alice\Documents\Work\project.vol' \
  'entry=D:\Containers\Archive 2026.vol' 'entry=E:\backup\photos.vol' >"$work/scenario.txt"
export DRAVLEN_TEST_SCENARIO
DRAVLEN_TEST_SCENARIO=$(windows_path "$work/scenario.txt")
argument='C:\Users\alice\Documents\Work\absent.vol'

# run RUNNER LOADER EXE: prints the wall time in microseconds and the exit
# status; RUNNER is env, or i386_run for the 32-bit loader.
run() {
  local start end status=0
  start=$(date +%s%N)
  "$1" "$2" "$3" "$argument" </dev/null >>"$log" 2>&1 || status=$?
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $status"
}
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.1f", (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2000 }'; }

failures=0
# measure NAME RUNNER LOADER PRESET TRIPLE
measure() {
  local name=$1 runner=$2 loader=$3 exe=$root/build/$4/dravlen.exe floor
  floor=$(build_floor "$5")
  "$runner" "$loader" regsvr32 "$(windows_path "$root/build/$4/tests/wine/component/test_volume_driver.dll")" \
    </dev/null >>"$log" 2>&1 || { cat "$log"; echo "FAIL  regsvr32 ($name)"; exit 1; }
  echo "=== $name: $runs runs of each, interleaved"
  run "$runner" "$loader" "$exe" >/dev/null  # the first start pays for loading Wine's own DLLs
  run "$runner" "$loader" "$floor" >/dev/null
  local ours=() floors=() i program micros status
  for ((i = 0; i < runs; i++)); do
    # Alternate which goes first, so that drift of the machine falls on both.
    local order=("$exe" "$floor")
    ((i % 2 == 0)) || order=("$floor" "$exe")
    for program in "${order[@]}"; do
      read -r micros status < <(run "$runner" "$loader" "$program")
      if [ "$program" = "$exe" ]; then ours+=("$micros"); else floors+=("$micros"); fi
      if [ "$status" != 0 ]; then
        echo "FAIL  $(basename "$program") ($name) exited $status, expected 0"
        failures=$((failures + 1))
      fi
    done
  done
  local ours_ms floor_ms ratio verdict
  ours_ms=$(printf '%s\n' "${ours[@]}" | median)
  floor_ms=$(printf '%s\n' "${floors[@]}" | median)
  ratio=$(awk "BEGIN { printf \"%.2f\", $ours_ms / $floor_ms }")
  verdict=$(awk "BEGIN { print ($ratio <= 1.05) ? \"within the budget of 1.05\" : \"over the budget of 1.05\" }")
  echo "dravlen.exe ($name), median of $runs: $ours_ms ms"
  echo "the C floor ($name), median of $runs: $floor_ms ms"
  echo "ratio ($name): $ratio, $verdict"
}

measure x64 env "$wine64" windows-x64 x86_64-w64-mingw32
[ "$x86_runs" = no ] || measure x86 i386_run "$wine32" windows-x86 i686-w64-mingw32
[ "$failures" -eq 0 ] || exit 1
