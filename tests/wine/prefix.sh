#!/bin/bash
# Creates and removes the Wine prefixes the end-to-end cases run in.
#
# usage: prefix.sh setup|teardown CONFIG
#
# setup makes a fresh 64-bit prefix, copies it (hard links, with private
# registry files) to a second prefix in which the test component is never
# registered, then starts a persistent wineserver for the first prefix and
# registers the component there. teardown stops the wineservers of both.
#
# Every Wine command's output goes to a log file: Wine leaves background
# processes behind, and one holding CTest's output pipe would keep the test
# from ever finishing.
set -u
action=$1
# shellcheck source=/dev/null
source "$2"

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

case "$action" in
  setup)
    mkdir -p "$DRAVLEN_WINE_WORK"
    log=$DRAVLEN_WINE_WORK/prefix-setup.log
    : >"$log"
    stop_server "$DRAVLEN_PREFIX"
    stop_server "$DRAVLEN_BARE_PREFIX"
    rm -rf "$DRAVLEN_PREFIX" "$DRAVLEN_BARE_PREFIX" "$DRAVLEN_WINE_WORK/cases"
    start=$SECONDS
    if ! WINEPREFIX=$DRAVLEN_PREFIX "$DRAVLEN_WINE64" wineboot -i </dev/null >>"$log" 2>&1; then
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
    WINEPREFIX=$DRAVLEN_PREFIX "$DRAVLEN_WINESERVER" -p </dev/null >>"$log" 2>&1
    dll=$(windows_path "$DRAVLEN_COMPONENT")
    if ! WINEPREFIX=$DRAVLEN_PREFIX "$DRAVLEN_WINE64" regsvr32 "$dll" </dev/null >>"$log" 2>&1; then
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
