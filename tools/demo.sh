#!/usr/bin/env bash
# Builds the program and asks it the one question it answers. On Linux no
# volume-driver component is installed, so it answers 4 for a path, and 3
# (after its usage text) for a wrong argument count.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset host >/dev/null
cmake --build --preset host -j "$(nproc)" --target dravlen

ask() {
  local status=0
  build/host/dravlen "$@" || status=$?
  printf 'dravlen %s -> exit status %d\n' "$*" "$status"
}
ask 'd:\containers\work.qmv'
ask
