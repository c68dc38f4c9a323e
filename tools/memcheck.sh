#!/usr/bin/env bash
# Runs the host test programs and the native program under valgrind's
# memcheck: any invalid access, use of uninitialised memory or leak fails.
# The sanitizer preset covers the same code with other instruments.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset host >/dev/null
cmake --build --preset host -j "$(nproc)" >/dev/null

memcheck() {
  valgrind --quiet --error-exitcode=99 --suppressions=tools/valgrind.supp --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect "$@"
}

failures=0
for test in build/host/tests/dravlen_test build/host/tests/platform/platform_test; do
  if memcheck "$test" --gtest_brief=1 >"$test.memcheck.log" 2>&1; then
    echo "memcheck $(basename "$test"): clean," \
      "$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$test.memcheck.log") tests passed"
  else
    failures=$((failures + 1))
    echo "memcheck $(basename "$test"): FAILED"
    tail -40 "$test.memcheck.log"
  fi
done
# The program itself, on both of its paths: 4 without a component, 3 after
# the usage text.
for args in "c:\\containers\\a.qmv" ""; do
  status=0
  # shellcheck disable=SC2086
  memcheck build/host/dravlen $args 2>/dev/null || status=$?
  expected=4
  [ -z "$args" ] && expected=3
  if [ "$status" -eq "$expected" ]; then
    echo "memcheck dravlen ${args:-(no argument)}: clean, exit status $status"
  else
    failures=$((failures + 1))
    echo "memcheck dravlen ${args:-(no argument)}: exit status $status, expected $expected"
  fi
done
echo "$((4 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
