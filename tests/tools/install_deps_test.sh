#!/usr/bin/env bash
# Runs tools/install-deps.sh through each of its paths against stand-ins for
# apt-get, dpkg, dpkg-query, sudo, id, unshare, mount and the 32-bit Wine
# loader, without network and without touching the machine's packages, apt
# sources or binfmt_misc; and the Wine fixture's 32-bit check with the
# loader missing, unable to run, or emulated.
#
# The program under test gets a PATH that holds only the stand-ins and the
# few tools it uses, so the real commands cannot be reached. The stand-ins
# answer as the real ones do where the script relies on them: apt-get
# installs no more than it was named without -y (there is no terminal to
# ask), runs only as root, and finds a release's packages only where a
# sources file names it and its list was fetched; dpkg-query answers 0 for
# a package removed with its configuration kept; a root shell has no sudo;
# a mount outside a namespace is a violation. Every stand-in logs its call;
# each row checks the apt-get and dpkg calls made, in order, the exit
# status and what was printed.
#
# usage: install_deps_test.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
state=$work/state
mkdir -p "$bin"
for tool in bash env cat grep awk mktemp rm mv tail tee sleep mkdir head sed chmod; do
  ln -s "$(command -v "$tool")" "$bin/$tool"
done

# The stand-ins read what the machine holds from $state: "missing", the
# packages not installed (every other one is); "config-files", those
# removed with their configuration kept; "architectures", the foreign ones;
# "update-fails", how many refreshes fail ("always" for all); "backports",
# whether bookworm-backports can be fetched; "install-fails", the packages
# whose installation fails; "uid", who runs the script; "namespaces",
# whether the kernel gives a user namespace a binfmt_misc of its own;
# "loader", whether the kernel runs the 32-bit loader natively. What
# apt-get installed, extra packages included, is in "installed".
cat >"$bin/dpkg-query" <<'EOF'
#!/bin/bash
package=${!#}
echo "dpkg-query $package" >>"$DRAVLEN_STANDIN_STATE/calls"
if grep -qxF -- "$package" "$DRAVLEN_STANDIN_STATE/config-files"; then
  printf 'deinstall ok config-files'
elif grep -qxF -- "$package" "$DRAVLEN_STANDIN_STATE/missing"; then
  echo "dpkg-query: no packages found matching $package" >&2
  exit 1
else
  printf 'install ok installed'
fi
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
cat >"$bin/id" <<'EOF'
#!/bin/bash
case "$1" in
  -u | -g) echo "${STANDIN_UID:-$(cat "$DRAVLEN_STANDIN_STATE/uid")}" ;;
  *) echo "id stand-in: unexpected call" >&2; exit 2 ;;
esac
EOF
# On PATH only in a row run by another user than root.
cat >"$work/sudo" <<'EOF'
#!/bin/bash
echo "sudo $*" >>"$DRAVLEN_STANDIN_STATE/calls"
STANDIN_UID=0 exec "$@"
EOF
# qemu-i386 with the version of the release it came from.
cat >"$work/qemu-i386" <<'EOF'
#!/bin/bash
[ "$1" = --version ] || { echo "qemu-i386 stand-in: unexpected call" >&2; exit 2; }
echo "qemu-i386 version @VERSION@ (Debian 1:@VERSION@+ds-2)"
echo "Copyright (c) 2003-2025 Fabrice Bellard and the QEMU Project developers"
EOF
cat >"$bin/apt-get" <<'EOF'
#!/bin/bash
state=$DRAVLEN_STANDIN_STATE
words=() yes=no recommends=yes
while [ $# -gt 0 ]; do
  case $1 in
    -o) shift 2 ;;
    -y | --yes | --assume-yes) yes=yes; shift ;;
    --no-install-recommends) recommends=no; shift ;;
    -*) shift ;;
    *) words+=("$1"); shift ;;
  esac
done
echo "apt-get ${words[*]}" >>"$state/calls"
if [ "$(id -u)" != 0 ]; then
  echo "E: Could not open lock file /var/lib/dpkg/lock-frontend - open (13: Permission denied)" >&2
  exit 100
fi
case "${words[0]:-}" in
  update)
    tries=$(($(cat "$state/updates") + 1))
    echo "$tries" >"$state/updates"
    fails=$(cat "$state/update-fails")
    echo "Hit:1 http://mirror.example/debian bookworm InRelease"
    status=0
    if grep -qs bookworm-backports "$DRAVLEN_APT_ETC"/sources.list.d/*; then
      if [ "$(cat "$state/backports")" = reachable ]; then
        echo "Get:2 http://mirror.example/debian bookworm-backports InRelease [59.4 kB]"
        echo bookworm-backports >"$state/fetched"
      else
        echo "Err:2 http://mirror.example/debian bookworm-backports InRelease"
        echo "  Could not connect to mirror.example:80 (192.0.2.1), connection timed out"
        status=100
      fi
    fi
    if [ "$fails" = always ] || [ "$tries" -le "$fails" ]; then
      echo "Err:3 http://mirror.example/debian-security bookworm-security/main i386 Packages"
      echo "  File has unexpected size (25228 != 25176). Mirror sync in progress? [IP: 192.0.2.1 80]"
      echo "  Hashes of expected file:"
      echo "   - Filesize:25176 [weak]"
      status=100
    fi
    [ "$status" = 0 ] ||
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit "$status"
    ;;
  install)
    # What a package pulls in besides itself: wine32's dependencies,
    # qemu-user's recommended binfmt registration.
    pulls() {
      case $1 in
        wine32:i386) echo libwine:i386 ;;
        qemu-user) [ "$recommends" = no ] || echo qemu-user-binfmt ;;
      esac
    }
    for word in "${words[@]:1}"; do
      package=${word%%/*}
      if [ "$word" != "$package" ] && ! grep -qxF -- "${word#*/}" "$state/fetched"; then
        echo "E: Release '${word#*/}' for '$package' was not found" >&2
        exit 100
      fi
      if [ "$yes" = no ] && [ -n "$(pulls "$package")" ]; then
        echo "The following NEW packages will be installed:"
        echo "  $package $(pulls "$package")"
        echo "Do you want to continue? [Y/n] Abort."
        exit 1
      fi
    done
    # Installs what does not fail, as a package whose set-up fails leaves
    # the others installed.
    status=0
    for word in "${words[@]:1}"; do
      package=${word%%/*}
      if grep -qxF -- "$package" "$state/install-fails"; then
        if [ "$status" = 0 ]; then
          echo "The following packages have unmet dependencies:"
          echo " libcurl4:i386 : Depends: zlib1g:i386 (>= 1:1.1.4) but it is not going to be installed"
        fi
        echo " $package : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
        status=100
        continue
      fi
      for name in "$package" $(pulls "$package"); do
        for list in missing config-files; do
          grep -vxF -- "$name" "$state/$list" >"$state/$list.new"
          mv "$state/$list.new" "$state/$list"
        done
        echo "$name" >>"$state/installed"
      done
      if [ "$package" = qemu-user ]; then
        version=7.2.0
        { [ "$word" = qemu-user/bookworm-backports ] || grep -q trixie "$DRAVLEN_OS_RELEASE"; } &&
          version=10.0.2
        sed "s/@VERSION@/$version/g" "$DRAVLEN_STANDIN_WORK/qemu-i386" >"$DRAVLEN_STANDIN_BIN/qemu-i386"
        chmod +x "$DRAVLEN_STANDIN_BIN/qemu-i386"
      fi
    done
    [ "$status" = 0 ] || echo "E: Unable to correct problems, you have held broken packages." >&2
    exit "$status"
    ;;
  *) echo "apt-get stand-in: unexpected call" >&2; exit 2 ;;
esac
EOF
# A user namespace, with a mount namespace whose binfmt_misc mount point is
# empty where asked for one.
cat >"$bin/unshare" <<'EOF'
#!/bin/bash
options=()
for word in "$@"; do [ "$word" = -- ] && break; options+=("$word"); done
echo "unshare ${options[*]}" >>"$DRAVLEN_STANDIN_STATE/calls"
if [ "$(cat "$DRAVLEN_STANDIN_STATE/namespaces")" != yes ]; then
  echo "unshare: unshare failed: Operation not permitted" >&2
  exit 1
fi
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  [ "$1" = --mount ] && rm -rf "$DRAVLEN_BINFMT_MISC"
  shift
done
shift
STANDIN_NAMESPACE=1 exec "$@"
EOF
cat >"$bin/mount" <<'EOF'
#!/bin/bash
echo "mount $*" >>"$DRAVLEN_STANDIN_STATE/calls"
if [ -z "${STANDIN_NAMESPACE:-}" ]; then
  echo "violation: mount outside a namespace: $*" >>"$DRAVLEN_STANDIN_STATE/calls"
  exit 32
fi
mkdir -p "${!#}" && : >"${!#}/register"
EOF
# The 32-bit Wine loader: it runs where the kernel runs it natively, or
# inside a namespace whose binfmt_misc entry hands it to an emulator that
# is there; elsewhere the kernel cannot execute it.
cat >"$bin/wine32" <<'EOF'
#!/bin/bash
entry=$(cat "$DRAVLEN_BINFMT_MISC/register" 2>/dev/null)
interpreter=${entry%:*}
interpreter=${interpreter##*:}
if [ "$(cat "$DRAVLEN_STANDIN_STATE/loader")" = native ] ||
   { [ -n "${STANDIN_NAMESPACE:-}" ] && [ -x "$interpreter" ]; }; then
  echo "wine-8.0 (Debian 8.0~repack-4)"
  exit 0
fi
echo "cannot execute binary file: Exec format error" >&2
exit 126
EOF
# Wine's other programs: the fixture's calls of them are logged, with
# where they ran.
cat >"$bin/other-wine" <<'EOF'
#!/bin/bash
echo "other-wine $*${STANDIN_NAMESPACE:+ (in a namespace)}" >>"$DRAVLEN_STANDIN_STATE/calls"
exit 1
EOF
chmod +x "$bin"/* "$work/sudo"

rows=0
failures=0

fail() {
  echo "FAIL [$name]: $1"
  bad=1
}

# The machine's own apt source, which the set-up must leave as it is.
machine_sources="Types: deb
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
"
# The one the set-up adds for qemu-user on Debian 12.
backports_sources="Types: deb
URIs: http://mirror.example/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
"

# Sets up $state from key=value arguments, the rest of which are checked by
# check_row.
prepare() {
  name=$1
  shift
  missing="" config_files="" architectures=i386 update_fails=0 install_fails="" uid=0
  backports=reachable namespaces=yes loader=native qemu="" codename=bookworm
  status=0 calls="" says="" never="" installed=- backports_file=no
  local pair
  for pair in "$@"; do
    case "$pair" in
      missing=* | config_files=* | architectures=* | update_fails=* | install_fails=* | uid=* | \
      backports=* | namespaces=* | loader=* | qemu=* | codename=* | \
      status=* | calls=* | says=* | never=* | installed=* | backports_file=*)
        printf -v "${pair%%=*}" '%s' "${pair#*=}" ;;
      *) echo "row $name: unknown $pair"; exit 2 ;;
    esac
  done
  rm -rf "$state" "$work/apt" "$work/binfmt" "$bin/qemu-i386" "$bin/sudo"
  mkdir -p "$state" "$work/apt/sources.list.d"
  # Lists of words, one a line.
  # shellcheck disable=SC2086
  printf '%s\n' $missing >"$state/missing"
  # shellcheck disable=SC2086
  printf '%s\n' $config_files >"$state/config-files"
  printf '%s\n' $architectures >"$state/architectures"
  # shellcheck disable=SC2086
  printf '%s\n' $install_fails >"$state/install-fails"
  echo "$update_fails" >"$state/update-fails"
  echo 0 >"$state/updates"
  for key in uid backports namespaces loader; do echo "${!key}" >"$state/$key"; done
  : >"$state/calls"
  : >"$state/installed"
  : >"$state/fetched"
  printf '%s' "$machine_sources" >"$work/apt/sources.list.d/debian.sources"
  printf 'PRETTY_NAME="Debian GNU/Linux"\nVERSION_CODENAME=%s\n' "$codename" >"$work/os-release"
  [ "$uid" = 0 ] || ln -s "$work/sudo" "$bin/sudo"
  [ -z "$qemu" ] || sed "s/@VERSION@/$qemu/g" "$work/qemu-i386" >"$bin/qemu-i386"
  chmod +x "$bin"/*
}

# Checks the exit status, the package commands' calls in order (the
# queries of single packages aside; sudo passes its command on; namespaces
# and mounts are checked by their own stand-ins), what apt-get installed,
# the apt sources, and that the output matches "says" and not "never"
# (extended regular expressions).
check_row() {
  local got_status=$1 got_calls got_installed
  rows=$((rows + 1))
  got_calls=$(grep -Ev '^(dpkg-query|sudo|unshare|mount|violation) ' "$state/calls" |
                awk '{ printf "%s%s", sep, $0; sep = ";" }')
  got_installed=$(awk '{ printf "%s%s", sep, $0; sep = " " }' "$state/installed")
  [ "$got_status" = "$status" ] || fail "exit status $got_status, expected $status"
  [ "$got_calls" = "$calls" ] || fail "calls \"$got_calls\", expected \"$calls\""
  if [ "$installed" != - ] && [ "$got_installed" != "$installed" ]; then
    fail "installed \"$got_installed\", expected \"$installed\""
  fi
  if grep -q '^violation' "$state/calls"; then
    fail "$(grep '^violation' "$state/calls")"
  fi
  if ! cmp -s "$work/apt/sources.list.d/debian.sources" <(printf '%s' "$machine_sources"); then
    fail "the machine's own apt source was changed"
  fi
  local added=$work/apt/sources.list.d/dravlen-bookworm-backports.sources
  if [ "$backports_file" = yes ] && ! cmp -s "$added" <(printf '%s' "$backports_sources"); then
    fail "no bookworm-backports source of its own: $(cat "$added" 2>&1)"
  elif [ "$backports_file" = no ] && [ -e "$added" ]; then
    fail "a bookworm-backports source was added"
  fi
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

standin_env=()
set_standin_env() {
  standin_env=(PATH="$bin" HOME="$work" DRAVLEN_STANDIN_STATE="$state" DRAVLEN_STANDIN_BIN="$bin"
               DRAVLEN_STANDIN_WORK="$work" DRAVLEN_APT_ETC="$work/apt" DRAVLEN_OS_RELEASE="$work/os-release"
               DRAVLEN_BINFMT_MISC="$work/binfmt")
}

# One run of tools/install-deps.sh.
deps_row() {
  bad=0
  prepare "$@"
  set_standin_env
  local got=0
  env -i "${standin_env[@]}" DRAVLEN_APT_PAUSE=0 DRAVLEN_WINE32_LOADER="$bin/wine32" \
    "$source_dir/tools/install-deps.sh" >"$work/out" 2>&1 || got=$?
  grep -q '^dpkg-query ' "$state/calls" || fail "dpkg-query was never asked"
  check_row "$got"
}

# One run of the Wine fixture's set-up of a 32-bit build with the loader
# $1 ("missing" or the stand-in). Skipped (77), it must leave the reason in
# the work folder's "unsupported"; emulated, it names the emulator in
# "emulator".
setup_row() {
  local which=$1 got=0
  shift
  bad=0
  prepare "$@"
  set_standin_env
  local wine=$work/no-such-folder/wine
  [ "$which" = missing ] || wine=$bin/wine32
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
  env -i "${standin_env[@]}" \
    bash "$source_dir/tests/wine/prefix.sh" setup "$work/wine/config.sh" >"$work/out" 2>&1 || got=$?
  if [ "$status" = 77 ] && ! grep -Eq -- "$says" "$work/wine/unsupported" 2>/dev/null; then
    fail "the reason is not in \"unsupported\""
  elif [ "$status" != 77 ] && [ -e "$work/wine/unsupported" ]; then
    fail "\"unsupported\" says: $(cat "$work/wine/unsupported")"
  fi
  if [ -n "$qemu" ] && [ "$(cat "$work/wine/emulator" 2>&1)" != "$bin/qemu-i386" ]; then
    fail "\"emulator\" does not name $bin/qemu-i386: $(cat "$work/wine/emulator" 2>&1)"
  fi
  check_row "$got"
}

emulated="32-bit code runs under qemu-user's emulation \(qemu-i386 version 10\.0\.2 \(Debian 1:10\.0\.2\+ds-2\)\), with a binfmt_misc entry private to the run: wine-8\.0"
skipped="^\*\*\* install-deps: this machine cannot execute 32-bit code, and qemu-user \(8\.1 or later\) could NOT be set up to emulate it, so the 32-bit product's end-to-end cases will be SKIPPED"

# Trouble outside the project: package lists that fail once or for good,
# a package that cannot be installed, the 32-bit Wine that cannot be had.
deps_row all-installed \
  status=0 calls= says="^install-deps: 32-bit code runs natively: wine-8\.0 \(Debian 8\.0~repack-4\)$" \
  never="WARNING|FAILED|\*\*\*"
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
  installed="tmux wine32:i386 libwine:i386" never="WARNING|FAILED|SKIPPED"
deps_row wine32-fails missing=wine32:i386 update_fails=always install_fails=wine32:i386 \
  status=0 calls="dpkg --print-foreign-architectures;apt-get update;apt-get update;apt-get update;apt-get install wine32:i386" \
  says="^\*\*\* install-deps: the 32-bit Wine \(wine32:i386\) could NOT be installed, so the 32-bit product's end-to-end cases will be SKIPPED; apt says: wine32:i386 : Depends: libwine:i386 \(= 8\.0~repack-4\) but it is not going to be installed; Unable to correct problems, you have held broken packages\. \(2 packages with unmet dependencies, listed above\)$"
# A package removed with its configuration kept is not installed; another
# user than root installs through sudo.
deps_row configuration-kept config_files="tmux wine32:i386" \
  status=0 calls="apt-get update;apt-get install tmux;dpkg --print-foreign-architectures;apt-get install wine32:i386" \
  installed="tmux wine32:i386 libwine:i386" never="WARNING|FAILED|SKIPPED"
deps_row not-root missing=tmux uid=1000 \
  status=0 calls="apt-get update;apt-get install tmux" installed=tmux never="WARNING|FAILED"

# A kernel that cannot execute the 32-bit loader: qemu-user, from
# bookworm-backports on Debian 12, without its binfmt registration for the
# whole machine; nothing installed where a usable one is there already.
deps_row emulation-in-place loader=foreign qemu=10.0.2 \
  status=0 calls= says="^install-deps: $emulated" never="WARNING|FAILED|\*\*\*"
deps_row qemu-from-backports loader=foreign \
  status=0 calls="apt-get update;apt-get install qemu-user/bookworm-backports" installed=qemu-user \
  backports_file=yes says="^install-deps: $emulated" never="WARNING|FAILED|\*\*\*"
deps_row qemu-too-old loader=foreign qemu=7.2.0 \
  status=0 calls="apt-get update;apt-get install qemu-user/bookworm-backports" installed=qemu-user \
  backports_file=yes says="^install-deps: $emulated" never="WARNING|FAILED|\*\*\*"
deps_row qemu-from-own-release loader=foreign codename=trixie \
  status=0 calls="apt-get update;apt-get install qemu-user" installed=qemu-user \
  says="^install-deps: $emulated" never="WARNING|FAILED|\*\*\*"
deps_row backports-unreachable loader=foreign backports=unreachable \
  status=0 calls="apt-get update;apt-get update;apt-get update;apt-get install qemu-user/bookworm-backports" \
  installed= backports_file=yes \
  says="$skipped: apt says: Release 'bookworm-backports' for 'qemu-user' was not found$"
deps_row no-private-binfmt loader=foreign namespaces=no \
  status=0 calls= installed= \
  says="$skipped: this kernel does not let a user namespace mount a binfmt_misc of its own \(Linux 6\.7 or later, with user namespaces allowed\): unshare: unshare failed: Operation not permitted$"

# The 32-bit check asks the 32-bit loader itself; where it is emulated, the
# prefix is made with the private entry in place.
setup_row missing loader-missing status=77 calls= \
  says="the 32-bit Wine loader $work/no-such-folder/wine is not installed \(Debian: .*wine32:i386" \
  never="32-bit code runs"
setup_row stand-in loader-cannot-run loader=foreign status=77 calls= \
  says="this machine cannot execute 32-bit code \($bin/wine32 --version exited 126: cannot execute binary file: Exec format error\), and qemu-user is not installed" \
  never="32-bit code runs"
setup_row stand-in loader-emulated loader=foreign qemu=10.0.2 status=1 \
  calls="other-wine -k;other-wine -w;other-wine -k;other-wine -w;other-wine wineboot -i (in a namespace)" \
  says="^$emulated" never=SKIPPED

echo "$((rows - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
