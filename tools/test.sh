#!/usr/bin/env bash
# Builds every configuration and runs the whole test suite: the host build,
# its test programs under valgrind's memcheck, the same under address and
# undefined-behaviour sanitizers, a short run of
# each fuzz target, and the Windows builds: both inspected and run end to
# end under Wine against the project's test component, the 32-bit product
# through Wine's WoW64, natively or under qemu-user's emulation (its cases
# are reported as skipped, with the reason, where 32-bit code cannot run
# either way).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
for preset in host host-asan fuzz windows-x86 windows-x64; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
  unsupported=build/$preset/tests/wine/unsupported
  if [ -f "$unsupported" ]; then
    echo "*** $preset: the Wine cases were SKIPPED: $(cat "$unsupported")"
  fi
  if [ "$preset" = host ]; then
    echo "=== host under valgrind"
    tools/memcheck.sh
  fi
done
