#!/usr/bin/env bash
# Runs the native program with argument lists whose answer is known without
# a component: a wrong count gives 3 and the usage text, one argument of any
# form gives 4. Nothing may reach standard output.
set -u
program=$1
cases=0
failures=0

fail() {
  echo "$1"
  bad=1
}

expect() {
  local expected=$1
  shift
  local out err status=0
  bad=0
  cases=$((cases + 1))
  err=$(mktemp)
  out=$("$program" "$@" 2>"$err") || status=$?
  if [ "$status" -ne "$expected" ]; then
    fail "dravlen $*: exit status $status, expected $expected"
  fi
  if [ -n "$out" ]; then
    fail "dravlen $*: wrote to standard output: $out"
  fi
  if [ "$expected" -eq 3 ] && ! grep -q "Returned codes" "$err"; then
    fail "dravlen $*: no usage text"
  fi
  if [ "$expected" -ne 3 ] && [ -s "$err" ]; then
    fail "dravlen $*: wrote to standard error: $(cat "$err")"
  fi
  rm -f "$err"
  failures=$((failures + bad))
}

expect 3
expect 3 a b
expect 3 'c:\my' 'containers\a.qmv'
expect 4 'c:\containers\a.qmv'
expect 4 ''
expect 4 '/?'
expect 4 ' '
# The longest command line Windows allows, as one argument and as many.
long_path="c:\\$(printf 'x%.0s' $(seq 32747)).qmv"
expect 4 "$long_path"
# shellcheck disable=SC2046
expect 3 $(printf 'a %.0s' $(seq 16377))

echo "$((cases - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
