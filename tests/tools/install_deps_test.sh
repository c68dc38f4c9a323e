#!/usr/bin/env bash
# Runs tools/install-deps.sh through each of its paths against stand-ins for
# apt-get, dpkg, dpkg-query and sudo, without network and without touching
# the machine's packages; and the Wine fixture's 32-bit check with the
# 32-bit loader missing or unable to run.
#
# The program under test gets a PATH that holds only the stand-ins and the
# few tools it uses, so the real package commands cannot be reached. Every
# stand-in logs its call; each row checks the apt-get and dpkg calls made,
# in order, the exit status and what was printed.
#
# usage: install_deps_test.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
state=$work/state
mkdir -p "$bin"
for tool in bash env cat grep awk mktemp rm mv tail tee id sleep mkdir; do
  ln -s "$(command -v "$tool")" "$bin/$tool"
done

# The stand-ins read what the machine holds from $state: "missing", the
# packages not installed (every other one is); "architectures", the foreign
# ones; "update-fails", how many refreshes fail ("always" for all);
# "install-fails", the packages whose installation fails.
cat >"$bin/dpkg-query" <<'EOF'
#!/bin/bash
package=${!#}
echo "dpkg-query $package" >>"$DRAVLEN_STANDIN_STATE/calls"
if grep -qxF -- "$package" "$DRAVLEN_STANDIN_STATE/missing"; then
  echo "dpkg-query: no packages found matching $package" >&2
  exit 1
fi
printf 'install ok installed'
EOF
cat >"$bin/dpkg" <<'EOF'
#!/bin/bash
echo "dpkg $*" >>"$DRAVLEN_STANDIN_STATE/calls"
case "$*" in
  --print-foreign-architectures) cat "$DRAVLEN_STANDIN_STATE/architectures" ;;
  "--add-architecture i386") echo i386 >>"$DRAVLEN_STANDIN_STATE/architectures" ;;
  *) echo "dpkg stand-in: unexpected call" >&2; exit 2 ;;
esac
EOF
cat >"$bin/apt-get" <<'EOF'
#!/bin/bash
state=$DRAVLEN_STANDIN_STATE
words=()
while [ $# -gt 0 ]; do
  case $1 in
    -o) shift 2 ;;
    -*) shift ;;
    *) words+=("$1"); shift ;;
  esac
done
echo "apt-get ${words[*]}" >>"$state/calls"
case "${words[0]:-}" in
  update)
    tries=$(($(cat "$state/updates") + 1))
    echo "$tries" >"$state/updates"
    fails=$(cat "$state/update-fails")
    echo "Hit:1 http://mirror.example/debian bookworm InRelease"
    if [ "$fails" = always ] || [ "$tries" -le "$fails" ]; then
      echo "Err:2 http://mirror.example/debian-security bookworm-security/main i386 Packages"
      echo "  File has unexpected size (25228 != 25176). Mirror sync in progress? [IP: 192.0.2.1 80]"
      echo "  Hashes of expected file:"
      echo "   - Filesize:25176 [weak]"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
      exit 100
    fi
    ;;
  install)
    # Installs what does not fail, as a package whose set-up fails leaves
    # the others installed.
    status=0
    for package in "${words[@]:1}"; do
      if grep -qxF -- "$package" "$state/install-fails"; then
        if [ "$status" = 0 ]; then
          echo "The following packages have unmet dependencies:"
          echo " libcurl4:i386 : Depends: zlib1g:i386 (>= 1:1.1.4) but it is not going to be installed"
        fi
        echo " $package : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
        status=100
      else
        grep -vxF -- "$package" "$state/missing" >"$state/missing.new"
        mv "$state/missing.new" "$state/missing"
      fi
    done
    [ "$status" = 0 ] || echo "E: Unable to correct problems, you have held broken packages." >&2
    exit "$status"
    ;;
  *) echo "apt-get stand-in: unexpected call" >&2; exit 2 ;;
esac
EOF
cat >"$bin/sudo" <<'EOF'
#!/bin/bash
echo "sudo $*" >>"$DRAVLEN_STANDIN_STATE/calls"
exec "$@"
EOF
# A 32-bit loader that is installed but cannot run, as on a kernel without
# 32-bit execution; and Wine's other programs, which must not be reached.
cat >"$bin/unrunnable-wine" <<'EOF'
#!/bin/bash
echo "cannot execute binary file: Exec format error" >&2
exit 126
EOF
cat >"$bin/other-wine" <<'EOF'
#!/bin/bash
echo "other-wine $*" >>"$DRAVLEN_STANDIN_STATE/calls"
exit 1
EOF
chmod +x "$bin"/*

rows=0
failures=0

fail() {
  echo "FAIL [$name]: $1"
  bad=1
}

# Sets up $state from key=value arguments, the rest of which are checked by
# check_row.
prepare() {
  name=$1
  shift
  missing="" architectures=i386 update_fails=0 install_fails="" status=0 calls="" says="" never=""
  local pair
  for pair in "$@"; do
    case "$pair" in
      missing=* | architectures=* | update_fails=* | install_fails=* | status=* | calls=* | says=* | never=*)
        printf -v "${pair%%=*}" '%s' "${pair#*=}" ;;
      *) echo "row $name: unknown $pair"; exit 2 ;;
    esac
  done
  rm -rf "$state"
  mkdir -p "$state"
  # Lists of words, one a line.
  # shellcheck disable=SC2086
  printf '%s\n' $missing >"$state/missing"
  printf '%s\n' $architectures >"$state/architectures"
  # shellcheck disable=SC2086
  printf '%s\n' $install_fails >"$state/install-fails"
  echo "$update_fails" >"$state/update-fails"
  echo 0 >"$state/updates"
  : >"$state/calls"
}

# Checks the exit status, the package commands' calls in order (the
# queries of single packages aside; sudo passes its command on), and that
# the output matches "says" and not "never" (extended regular expressions).
check_row() {
  local got_status=$1 got_calls
  rows=$((rows + 1))
  bad=0
  got_calls=$(grep -Ev '^(dpkg-query|sudo) ' "$state/calls" | awk '{ printf "%s%s", sep, $0; sep = ";" }')
  [ "$got_status" = "$status" ] || fail "exit status $got_status, expected $status"
  [ "$got_calls" = "$calls" ] || fail "calls \"$got_calls\", expected \"$calls\""
  if [ -n "$says" ] && ! grep -Eq -- "$says" "$work/out"; then
    fail "the output does not say /$says/"
  fi
  if [ -n "$never" ] && grep -Eq -- "$never" "$work/out"; then
    fail "the output says /$never/"
  fi
  if [ "$bad" != 0 ]; then
    echo "--- output:"
    cat "$work/out"
    echo "--- calls:"
    cat "$state/calls"
  fi
  failures=$((failures + bad))
}

# One run of tools/install-deps.sh.
deps_row() {
  prepare "$@"
  local got=0
  env -i PATH="$bin" HOME="$work" DRAVLEN_STANDIN_STATE="$state" DRAVLEN_APT_PAUSE=0 \
    "$source_dir/tools/install-deps.sh" >"$work/out" 2>&1 || got=$?
  grep -q '^dpkg-query ' "$state/calls" || fail "dpkg-query was never asked"
  check_row "$got"
}

# One run of the Wine fixture's set-up of a 32-bit build with the loader
# $1 ("missing" or "unrunnable"); it must end skipped with the reason in the
# work folder's "unsupported".
setup_row() {
  local loader=$1 got=0
  shift
  prepare "$@"
  local wine=$work/no-such-folder/wine
  [ "$loader" = unrunnable ] && wine=$bin/unrunnable-wine
  rm -rf "$work/wine"
  mkdir -p "$work/wine"
  cat >"$work/wine/config.sh" <<EOF
DRAVLEN_WINE64='$bin/other-wine'
DRAVLEN_WINE='$wine'
DRAVLEN_WINE_BITS='4'
DRAVLEN_WINESERVER='$bin/other-wine'
DRAVLEN_WINE_WORK='$work/wine'
DRAVLEN_PREFIX='$work/wine/wineprefix'
DRAVLEN_BARE_PREFIX='$work/wine/wineprefix-unregistered'
EOF
  env -i PATH="$bin" HOME="$work" DRAVLEN_STANDIN_STATE="$state" \
    bash "$source_dir/tests/wine/prefix.sh" setup "$work/wine/config.sh" >"$work/out" 2>&1 || got=$?
  if ! grep -Eq -- "$says" "$work/wine/unsupported" 2>/dev/null; then
    fail "the reason is not in \"unsupported\""
  fi
  check_row "$got"
}

# Trouble outside the project: package lists that fail once or for good,
# a package that cannot be installed, the 32-bit Wine that cannot be had.
deps_row all-installed \
  status=0 calls= never=.
deps_row refreshed-on-second-try missing=tmux update_fails=1 \
  status=0 calls="apt-get update;apt-get update;apt-get install tmux" never="WARNING|FAILED"
deps_row lists-fail-for-good missing=tmux update_fails=always \
  status=0 calls="apt-get update;apt-get update;apt-get update;apt-get install tmux" \
  says="WARNING: package lists still failing after 3 tries, going on without them: http://mirror.example/debian-security bookworm-security/main i386 Packages \(File has unexpected size \(25228 != 25176\)\. Mirror sync in progress\?\)$"
deps_row required-fails missing="clang tmux wine32:i386" install_fails=tmux \
  status=1 calls="apt-get update;apt-get install clang tmux" \
  says="FAILED: the build needs these packages, which could not be installed: tmux \(apt-get install exited 100\)$"
deps_row fresh-machine missing="tmux wine32:i386" architectures= \
  status=0 calls="apt-get update;apt-get install tmux;dpkg --print-foreign-architectures;dpkg --add-architecture i386;apt-get update;apt-get install wine32:i386" \
  never="WARNING|FAILED|SKIPPED"
deps_row wine32-fails missing=wine32:i386 update_fails=always install_fails=wine32:i386 \
  status=0 calls="dpkg --print-foreign-architectures;apt-get update;apt-get update;apt-get update;apt-get install wine32:i386" \
  says="^\*\*\* install-deps: the 32-bit Wine \(wine32:i386\) could NOT be installed, so the 32-bit product's end-to-end cases will be SKIPPED; apt says: wine32:i386 : Depends: libwine:i386 \(= 8\.0~repack-4\) but it is not going to be installed; Unable to correct problems, you have held broken packages\. \(2 packages with unmet dependencies, listed above\)$"

# The 32-bit check asks the 32-bit loader itself.
setup_row missing loader-missing status=77 calls= \
  says="the 32-bit Wine loader $work/no-such-folder/wine is not installed \(Debian: .*wine32:i386" \
  never="32-bit code runs here"
setup_row unrunnable loader-cannot-run status=77 calls= \
  says="this machine cannot execute 32-bit code: the 32-bit Wine loader $bin/unrunnable-wine --version exited 126: cannot execute binary file" \
  never="32-bit code runs here"

echo "$((rows - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
