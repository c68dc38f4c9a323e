#!/usr/bin/env bash
# Builds every configuration and runs the whole test suite: the host build,
# its test programs under valgrind's memcheck, the same under address and
# undefined-behaviour sanitizers, a short run of
# each fuzz target, and the Windows builds: both inspected, the 64-bit one
# run end to end under Wine against the project's test component.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
for preset in host host-asan fuzz windows-x86 windows-x64; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
  if [ "$preset" = host ]; then
    echo "=== host under valgrind"
    tools/memcheck.sh
  fi
done
