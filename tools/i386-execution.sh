# How this machine runs 32-bit x86 Linux programs, such as the 32-bit Wine
# loader: natively (or through a binfmt_misc entry the machine already has),
# or under qemu-user's emulation through an i386 binfmt_misc entry that
# lives only in a user and mount namespace of the run's own (Linux 6.7 and
# later mount a binfmt_misc instance per user namespace). The machine's own
# registrations are never touched. Sourced by bash scripts.
#
# DRAVLEN_BINFMT_MISC: where binfmt_misc is mounted inside the namespace
# (default /proc/sys/fs/binfmt_misc).

# The oldest qemu-user that starts Wine in seconds: 7.2 searches the address
# space page by page and takes about a minute for each process start.
i386_qemu_oldest=8.1
i386_binfmt=${DRAVLEN_BINFMT_MISC:-/proc/sys/fs/binfmt_misc}

# Sets i386_qemu to the path of qemu-i386 and i386_qemu_version to its first
# line of --version; answers 1 where it is missing, 2 where it is older than
# i386_qemu_oldest.
i386_find_qemu() {
  i386_qemu=$(command -v qemu-i386) || { i386_qemu_version=""; return 1; }
  i386_qemu_version=$("$i386_qemu" --version </dev/null 2>&1 | head -n 1)
  local number
  number=$(printf '%s\n' "$i386_qemu_version" | grep -Eo 'version [0-9]+\.[0-9]+' | head -n 1)
  number=${number#version }
  local major=${number%%.*} minor=${number#*.}
  local want_major=${i386_qemu_oldest%%.*} want_minor=${i386_qemu_oldest#*.}
  [ -n "$number" ] || return 2
  ((major > want_major || (major == want_major && minor >= want_minor))) || return 2
  return 0
}

# Runs "$@" in a user and mount namespace of its own, with binfmt_misc
# mounted there and an entry that hands i386 ELF programs (executables and
# shared objects) to $i386_qemu. The "F" flag opens the interpreter when the
# entry is made, so the programs need not see it themselves. Mounting and
# registering take root in the namespace; a caller that is not root goes
# on in a namespace nested in it, as its own user again, so that what it
# creates and the wineserver it looks for are its own (the nested one
# finds the entry in its parent's binfmt_misc). Where the entry cannot be
# made, says why on standard error and answers 125.
#
# The wineserver must not run inside such a namespace: it traces its
# clients, which it may only do from the namespace they run in or one
# above it, and each call here makes a namespace of its own. So a run
# starts one persistent wineserver outside (wineserver -p) before it runs
# the prefix's programs here.
i386_in_namespace() {
  local entry=":dravlen-i386:M::"
  entry+='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:'
  entry+='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'
  entry+="$i386_qemu:F"
  local user=() uid gid
  uid=$(id -u) gid=$(id -g)
  [ "$uid" = 0 ] || user=(unshare --user --map-user="$uid" --map-group="$gid" --)
  unshare --user --map-root-user --mount -- bash -c '
    binfmt=$1 entry=$2
    shift 2
    if ! error=$(mount -t binfmt_misc binfmt_misc "$binfmt" 2>&1); then
      echo "cannot mount binfmt_misc in a user namespace: $error" >&2
      exit 125
    fi
    if ! error=$( (printf "%s" "$entry" >"$binfmt/register") 2>&1); then
      echo "cannot register qemu-i386 with binfmt_misc: $error" >&2
      exit 125
    fi
    exec "$@"' i386-namespace "$i386_binfmt" "$entry" "${user[@]}" "$@"
}

# Answers 0 where this kernel lets a user namespace mount a binfmt_misc of
# its own, as i386_in_namespace needs; says why not on standard error.
i386_namespace_mounts() {
  unshare --user --map-root-user --mount -- mount -t binfmt_misc binfmt_misc "$i386_binfmt"
}

# Runs "$@" where 32-bit programs run: through i386_in_namespace where
# i386_qemu names an emulator, directly where it is empty.
i386_run() {
  if [ -n "${i386_qemu:-}" ]; then i386_in_namespace "$@"; else "$@"; fi
}

# Finds out how the 32-bit Wine loader $1 runs here. Sets i386_how to
# "native", "emulated" or "none", i386_why to a sentence that says how, or
# why not, and i386_qemu to the emulator for i386_run (empty unless
# emulated).
i386_execution() {
  local loader=$1 output status=0
  i386_qemu=""
  if [ ! -e "$loader" ]; then
    i386_how=none
    i386_why="the 32-bit Wine loader $loader is not installed (Debian: dpkg --add-architecture i386, then apt-get install wine32:i386; tools/install-deps.sh does both)"
    return
  fi
  output=$("$loader" --version </dev/null 2>&1) || status=$?
  if [ "$status" -eq 0 ] && [[ "$output" == wine-* ]]; then
    i386_how=native
    local entry
    entry=$(grep -l '^interpreter .*qemu-i386' "$i386_binfmt"/* 2>/dev/null | head -n 1)
    if [ -n "$entry" ]; then
      i386_why="32-bit code runs under qemu-user's emulation, through this machine's own binfmt_misc entry ${entry##*/}: $output"
    else
      i386_why="32-bit code runs natively: $output"
    fi
    return
  fi
  local native="this machine cannot execute 32-bit code ($loader --version exited $status: $output)"
  i386_how=none
  local found=0
  i386_find_qemu || found=$?
  case $found in
    1) i386_why="$native, and qemu-user is not installed (tools/install-deps.sh installs it)" ;;
    2) i386_why="$native, and $i386_qemu is too old to emulate it ($i386_qemu_version; $i386_qemu_oldest or later is needed)" ;;
  esac
  if [ "$found" != 0 ]; then
    i386_qemu=""
    return
  fi
  status=0
  output=$(i386_in_namespace "$loader" --version 2>&1) || status=$?
  if [ "$status" -eq 0 ] && [[ "$output" == wine-* ]]; then
    i386_how=emulated
    i386_why="32-bit code runs under qemu-user's emulation ($i386_qemu_version), with a binfmt_misc entry private to the run: $output"
  else
    i386_qemu=""
    i386_why="$native, and qemu-user could not run it through a private binfmt_misc entry (exit status $status: $output; that needs Linux 6.7 or later, with user namespaces allowed)"
  fi
}

