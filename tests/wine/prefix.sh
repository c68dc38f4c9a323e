#!/bin/bash
# Creates and removes the Wine prefixes the end-to-end cases run in.
#
# usage: prefix.sh setup|teardown CONFIG
#
# setup makes a fresh 64-bit prefix, copies it (hard links, with private
# registry files) to a second prefix in which the test component is never
# registered, then starts a persistent wineserver for each prefix and
# registers the component there with the regsvr32 of the build's processor
# (a 32-bit one writes the registry's 32-bit view, where a 32-bit program
# looks the class up). Both prefixes get C:\dravlen\ with the build's
# dravlen.exe and dravlen-list.exe beside the batch examples, for the cases
# that run them through cmd.exe. teardown stops the wineservers of both.
#
# For a 32-bit build, setup first finds out whether and how 32-bit code runs
# here (tools/i386-execution.sh): natively, or under qemu-user's emulation.
# Emulated, it names the emulator in the file "emulator" of the work folder,
# and every Wine program of the build's run, of setup and of each case,
# runs in a user and mount namespace of its own whose private binfmt_misc
# entry hands 32-bit programs to that emulator; the wineservers run outside
# them. Where 32-bit code cannot run at all, setup exits 77 (CTest:
# skipped) with the reason and leaves it in the file "unsupported" of the
# work folder, from which every case reports itself skipped too. Where it
# runs, any failure to set the prefix up is a failure.
#
# Every Wine command's output goes to a log file: Wine leaves background
# processes behind, and one holding CTest's output pipe would keep the test
# from ever finishing.
set -u
action=$1
# shellcheck source=/dev/null
source "$2"
# shellcheck source=tools/i386-execution.sh
source "${BASH_SOURCE[0]%/*}/../../tools/i386-execution.sh"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

windows_path() {
  local path=$1
  printf 'Z:%s' "${path//\//\\}"
}

stop_server() {
  WINEPREFIX=$1 "$DRAVLEN_WINESERVER" -k </dev/null >/dev/null 2>&1
  WINEPREFIX=$1 "$DRAVLEN_WINESERVER" -w </dev/null >/dev/null 2>&1
  return 0
}

# Ends setup as skipped where 32-bit code cannot run here, saying why: no
# 32-bit Windows program could either. The 32-bit Wine loader is asked
# itself, never Debian's /usr/bin/wine, a wrapper that quietly runs the
# 64-bit loader when the 32-bit one is missing.
check_32_bit_execution() {
  i386_execution "$DRAVLEN_WINE"
  if [ "$i386_how" = none ]; then
    printf '%s\n' "$i386_why" >"$DRAVLEN_WINE_WORK/unsupported"
    echo "SKIPPED: $i386_why"
    exit 77
  fi
  echo "$i386_why"
  [ -z "$i386_qemu" ] || printf '%s\n' "$i386_qemu" >"$DRAVLEN_WINE_WORK/emulator"
}

# The launcher, started without arguments, must answer with its own usage
# failure (250): a Windows program of the build's processor runs. A start
# that Wine lost before any of the launcher's code ran (no "launch:" line;
# tests/wine/README.md tells of it) is tried again, at most three times, as
# the cases do.
check_launcher_runs() {
  local attempt status
  for attempt in 1 2 3; do
    status=0
    WINEPREFIX=$DRAVLEN_PREFIX i386_run "$DRAVLEN_WINE" "$(windows_path "$DRAVLEN_LAUNCHER")" \
      </dev/null >"$DRAVLEN_WINE_WORK/probe.log" 2>&1 || status=$?
    grep -q '^launch: ' "$DRAVLEN_WINE_WORK/probe.log" && break
    echo "note: Wine did not start the launcher (try $attempt, status $status)"
  done
  if [ "$status" -ne 250 ] || ! grep -q '^launch: ' "$DRAVLEN_WINE_WORK/probe.log"; then
    cat "$DRAVLEN_WINE_WORK/probe.log"
    echo "the launcher did not run under $DRAVLEN_WINE (status $status)"
    exit 1
  fi
}

# C:\dravlen\ of a prefix: the programs beside the batch examples.
install_examples() {
  mkdir -p "$1/drive_c/dravlen" &&
    cp "$DRAVLEN_EXE" "$DRAVLEN_LIST_EXE" "$DRAVLEN_EXAMPLES"/*.cmd "$1/drive_c/dravlen/"
}

case "$action" in
  setup)
    mkdir -p "$DRAVLEN_WINE_WORK"
    log=$DRAVLEN_WINE_WORK/prefix-setup.log
    : >"$log"
    rm -f "$DRAVLEN_WINE_WORK/unsupported" "$DRAVLEN_WINE_WORK/emulator"
    [ "$DRAVLEN_WINE_BITS" = 8 ] || check_32_bit_execution
    stop_server "$DRAVLEN_PREFIX"
    stop_server "$DRAVLEN_BARE_PREFIX"
    rm -rf "$DRAVLEN_PREFIX" "$DRAVLEN_BARE_PREFIX" "$DRAVLEN_WINE_WORK/cases"
    start=$SECONDS
    # Under emulation the 64-bit loader must run with the entry too: the
    # prefix gets its 32-bit system folder only where 32-bit programs run.
    if ! WINEPREFIX=$DRAVLEN_PREFIX i386_run "$DRAVLEN_WINE64" wineboot -i </dev/null >>"$log" 2>&1; then
      cat "$log"
      echo "wineboot -i failed for $DRAVLEN_PREFIX"
      exit 1
    fi
    # The registry reaches the disk when the wineserver ends.
    stop_server "$DRAVLEN_PREFIX"
    echo "prefix created in $((SECONDS - start)) s"
    if ! cp -al "$DRAVLEN_PREFIX" "$DRAVLEN_BARE_PREFIX" ||
       ! cp --remove-destination "$DRAVLEN_PREFIX"/*.reg "$DRAVLEN_BARE_PREFIX"/; then
      echo "cannot copy the prefix to $DRAVLEN_BARE_PREFIX"
      exit 1
    fi
    if ! install_examples "$DRAVLEN_PREFIX" || ! install_examples "$DRAVLEN_BARE_PREFIX"; then
      echo "cannot install the examples in the prefixes"
      exit 1
    fi
    WINEPREFIX=$DRAVLEN_PREFIX "$DRAVLEN_WINESERVER" -p </dev/null >>"$log" 2>&1
    WINEPREFIX=$DRAVLEN_BARE_PREFIX "$DRAVLEN_WINESERVER" -p </dev/null >>"$log" 2>&1
    check_launcher_runs
    dll=$(windows_path "$DRAVLEN_COMPONENT")
    if ! WINEPREFIX=$DRAVLEN_PREFIX i386_run "$DRAVLEN_WINE" regsvr32 "$dll" </dev/null >>"$log" 2>&1; then
      cat "$log"
      echo "regsvr32 $dll failed"
      exit 1
    fi
    echo "registered $dll; ready in $((SECONDS - start)) s"
    ;;
  teardown)
    stop_server "$DRAVLEN_PREFIX"
    stop_server "$DRAVLEN_BARE_PREFIX"
    echo "wineservers stopped"
    ;;
  *)
    echo "usage: $0 setup|teardown CONFIG" >&2
    exit 2
    ;;
esac
