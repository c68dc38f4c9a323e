#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is
# missing; where all are there it runs no package command at all. Needs root
# (or sudo) only when something has to be installed.
#
# Trouble outside the project does not stop the run, it is told: package
# lists that cannot be refreshed (a mirror mid-sync, no network) are named
# and the lists already on the machine are used; the 32-bit Wine is the last
# step, and where it cannot be installed the 32-bit product's end-to-end
# cases are skipped with the reason, as on a machine that cannot execute
# 32-bit code. Only a package the build itself needs is fatal.
#
# Where the kernel cannot execute the 32-bit Wine loader, qemu-user (8.1 or
# later; on Debian 12 from bookworm-backports, through a sources file of
# the project's own) runs it under emulation, through a binfmt_misc entry
# that lives only inside the namespace of each Wine program that needs it
# (tools/i386-execution.sh). The last line says how 32-bit code runs here,
# or, loudly, why it cannot.
#
# apt-get, dpkg and dpkg-query are whichever come first on PATH.
# DRAVLEN_APT_PAUSE: seconds between two tries of the refresh (default 5).
# DRAVLEN_APT_ETC: apt's configuration folder (default /etc/apt).
# DRAVLEN_OS_RELEASE: the release's description (default /etc/os-release).
# DRAVLEN_WINE32_LOADER: the 32-bit Wine loader (default /usr/lib/wine/wine).
set -u -o pipefail
# shellcheck source=tools/i386-execution.sh
source "${BASH_SOURCE[0]%/*}/i386-execution.sh"

required=(
  # host build, tests and benchmarks
  cmake g++ make libgtest-dev libbenchmark-dev valgrind clang-format
  # fuzz targets: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-14-dev
  # Windows cross builds, their inspection and the end-to-end suite; the
  # console cases run the programs in tmux, which gives them a real console
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 wine64 tmux
)
# The 32-bit product under Wine's WoW64.
wine32=wine32:i386
loader=${DRAVLEN_WINE32_LOADER:-/usr/lib/wine/wine}
apt_etc=${DRAVLEN_APT_ETC:-/etc/apt}
os_release=${DRAVLEN_OS_RELEASE:-/etc/os-release}
tries=3
pause=${DRAVLEN_APT_PAUSE:-5}

say() { echo "install-deps: $*"; }

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for package in "${required[@]}"; do
  installed "$package" || missing+=("$package")
done
need_wine32=yes
installed "$wine32" && need_wine32=no

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
apt() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get "$@"
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# The lists apt-get update could not fetch, from its "Err:N LIST" lines and
# the reason on the line below each, in one line; failing that, its errors.
failed_lists() {
  awk '
    function add(text) { out = out sep text; sep = "; " }
    pending != "" && /^  / {
      reason = $0
      sub(/^ +/, "", reason)
      sub(/ \[IP: [^]]*\]$/, "", reason)
      add(pending " (" reason ")")
      pending = ""
      next
    }
    pending != "" { add(pending); pending = "" }
    /^Err:/ { pending = $0; sub(/^Err:[0-9]* */, "", pending) }
    /^E: / { errors = errors (errors == "" ? "" : " ") substr($0, 4) }
    END {
      if (pending != "") add(pending)
      print (out != "" ? out : errors)
    }' "$log"
}

# Refreshes the package lists, trying again after a pause while any list
# fails. Lists that still fail are named, and the run goes on with what the
# machine has. Short time limits keep an unreachable mirror from holding
# each try for minutes.
refresh() {
  local attempt status
  refreshed=yes
  say "refreshing the package lists"
  for ((attempt = 1; attempt <= tries; attempt++)); do
    status=0
    apt -q -o Acquire::http::Timeout=10 -o Acquire::https::Timeout=10 update >"$log" 2>&1 ||
      status=$?
    if [ "$status" -eq 0 ] && ! grep -q '^Err:' "$log"; then
      return 0
    fi
    if [ "$attempt" -lt "$tries" ]; then
      say "refresh $attempt of $tries failed, trying again in $pause s"
      sleep "$pause"
    fi
  done
  local lists
  lists=$(failed_lists)
  say "WARNING: package lists still failing after $tries tries, going on without them:" \
    "${lists:-apt-get update exited $status}" >&2
}

# What apt-get install gave as its reason for not installing $1: the unmet
# dependency of that package, if apt names one, its errors, and how many
# packages had unmet dependencies (apt lists them above).
install_reason() {
  awk -v want="$1" '
    /unmet dependencies:$/ { unmet = 1; next }
    unmet && /^ [^ ]/ {
      packages++
      if (index($0, " " want " : ") == 1) { own = $0; sub(/^ +/, "", own); gsub(/  +/, " ", own) }
      next
    }
    unmet && /^  / { next }
    { unmet = 0 }
    /^E: / { errors = errors (errors == "" ? "" : " ") substr($0, 4) }
    END {
      reason = own (own != "" && errors != "" ? "; " : "") errors
      if (packages > 0)
        reason = reason " (" packages " package" (packages > 1 ? "s" : "") \
                 " with unmet dependencies, listed above)"
      print reason
    }' "$log"
}

refreshed=no
if [ ${#missing[@]} -gt 0 ]; then
  refresh
  say "installing: ${missing[*]}"
  # With the recommended packages: Wine relies on several of them (fonts,
  # graphics and TLS libraries) to set up a prefix without complaint.
  status=0
  apt install -y -q "${missing[@]}" || status=$?
  not_installed=()
  for package in "${missing[@]}"; do
    installed "$package" || not_installed+=("$package")
  done
  if [ ${#not_installed[@]} -gt 0 ]; then
    say "FAILED: the build needs these packages, which could not be installed:" \
      "${not_installed[*]} (apt-get install exited $status)" >&2
    exit 1
  fi
fi

# The 32-bit Wine, last and on its own: the i386 architecture (after which
# the lists must be refreshed for it) and the package.
if [ "$need_wine32" = yes ]; then
  reason=""
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture"
    if as_root dpkg --add-architecture i386 >"$log" 2>&1; then
      refreshed=no
    else
      reason="dpkg --add-architecture i386 failed: $(tail -n 1 "$log")"
    fi
  fi
  if [ -z "$reason" ]; then
    [ "$refreshed" = yes ] || refresh
    say "installing: $wine32"
    apt install -y -q "$wine32" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    if [ "$status" -ne 0 ] || ! installed "$wine32"; then
      reason=$(install_reason "$wine32")
      reason=${reason:-apt-get install exited $status}
    fi
  fi
  if [ -n "$reason" ]; then
    echo "*** install-deps: the 32-bit Wine ($wine32) could NOT be installed, so the 32-bit" \
      "product's end-to-end cases will be SKIPPED; apt says: $reason" >&2
    exit 0
  fi
fi

# The machine's own source of the release $1's packages, as "URI<TAB>keyring"
# (the keyring may be empty), from deb822 .sources and one-line .list files.
release_source() {
  cat "$apt_etc/sources.list" "$apt_etc"/sources.list.d/*.list "$apt_etc"/sources.list.d/*.sources \
    2>/dev/null | awk -v want="$1" '
    function stanza_end() {
      if (uri != "" && index(" " suites " ", " " want " ")) { print uri "\t" keyring; found = 1; exit }
      uri = ""; suites = ""; keyring = ""
    }
    /^[ \t]*$/ { stanza_end(); next }
    /^URIs:/ { uri = $2 }
    /^Suites:/ { $1 = ""; suites = $0 }
    /^Signed-By:/ { keyring = $2 }
    /^deb[ \t]/ {
      sub(/^deb[ \t]+(\[[^]]*\][ \t]+)?/, "")
      if ($2 == want) { print $1 "\t"; found = 1; exit }
    }
    END { if (!found) stanza_end() }'
}

# qemu-user from the release, or on Debian 12, whose own is 7.2, from
# bookworm-backports: a sources file of the project's own beside the
# machine's, at the suite's default low priority, so that nothing else is
# taken from it. Without the recommended packages: qemu-user-binfmt would
# register emulators for the whole machine. Sets reason where it fails.
install_qemu() {
  local codename target=qemu-user
  codename=$(. "$os_release" 2>/dev/null && echo "${VERSION_CODENAME:-}")
  if [ "$codename" = bookworm ]; then
    target=qemu-user/bookworm-backports
    if ! grep -qs bookworm-backports "$apt_etc/sources.list" "$apt_etc"/sources.list.d/*; then
      local source uri keyring file=$apt_etc/sources.list.d/dravlen-bookworm-backports.sources
      source=$(release_source bookworm)
      uri=${source%%$'\t'*} keyring=${source#*$'\t'}
      local text="Types: deb
URIs: ${uri:-http://deb.debian.org/debian}
Suites: bookworm-backports
Components: main
"
      [ -z "$keyring" ] || text+="Signed-By: $keyring
"
      say "adding bookworm-backports for qemu-user: $file"
      if ! printf '%s' "$text" | as_root tee "$file" >/dev/null; then
        reason="cannot write $file"
        return
      fi
      refreshed=no
    fi
  fi
  [ "$refreshed" = yes ] || refresh
  say "installing: $target (without recommended packages)"
  apt install -y -q --no-install-recommends "$target" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  if [ "$status" -ne 0 ] || ! installed qemu-user; then
    reason=$(install_reason qemu-user)
    reason="apt says: ${reason:-apt-get install exited $status}"
  elif ! i386_find_qemu; then
    reason="what was installed is not qemu-i386 $i386_qemu_oldest or later: ${i386_qemu_version:-no qemu-i386}"
  fi
}

# How 32-bit code runs: natively, or under qemu-user's emulation, installing
# qemu-user where that is what is missing and the kernel gives a user
# namespace a binfmt_misc of its own.
i386_execution "$loader"
if [ "$i386_how" = none ] && [ -e "$loader" ] && ! i386_find_qemu; then
  reason=""
  if ! error=$(i386_namespace_mounts 2>&1 </dev/null); then
    reason="this kernel does not let a user namespace mount a binfmt_misc of its own (Linux 6.7 or later, with user namespaces allowed): ${error:-unshare failed}"
  else
    install_qemu
  fi
  if [ -n "$reason" ]; then
    echo "*** install-deps: this machine cannot execute 32-bit code, and qemu-user" \
      "($i386_qemu_oldest or later) could NOT be set up to emulate it, so the 32-bit product's" \
      "end-to-end cases will be SKIPPED: $reason" >&2
    exit 0
  fi
  i386_execution "$loader"
fi
if [ "$i386_how" = none ]; then
  echo "*** install-deps: the 32-bit product's end-to-end cases will be SKIPPED: $i386_why" >&2
else
  say "$i386_why"
fi
exit 0
