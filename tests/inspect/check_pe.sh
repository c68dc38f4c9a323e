#!/bin/bash
# Checks a built dravlen.exe or dravlen-list.exe as a Windows image:
#   - PE32 for i386 (x86) or PE32+ for x86-64 (x64), the Windows GUI
#     subsystem (dravlen.exe) or the console one (dravlen-list.exe);
#   - relocatable to a random base (high entropy on x64), data never
#     executable, aware of terminal servers, and no link time stamp;
#   - imports only from system DLLs the program needs, none of the
#     compiler's runtime DLLs;
#   - a version resource naming the product with the project's version and
#     the image's own file name;
#   - an application manifest (resource 1 of type 24) that runs the program
#     as its invoker, declares Vista to 10/11, and leaves the ANSI code page
#     to the system;
#   - no symbol table when the build strips it, and at most the given size.
# Every failed check is reported; the exit status is 1 if any failed.
#
# usage: check_pe.sh --objdump OBJDUMP --windres WINDRES --machine x86|x64
#                    --version X.Y.Z --stripped yes|no [--subsystem gui|console]
#                    [--max-size BYTES] EXE
set -u

objdump='' windres='' machine='' version='' stripped=no subsystem=gui max_size='' exe=''
while [ $# -gt 0 ]; do
  case "$1" in
    --objdump) objdump=$2; shift 2 ;;
    --windres) windres=$2; shift 2 ;;
    --machine) machine=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --stripped) stripped=$2; shift 2 ;;
    --subsystem) subsystem=$2; shift 2 ;;
    --max-size) max_size=$2; shift 2 ;;
    *) exe=$1; shift ;;
  esac
done
if [ -z "$objdump" ] || [ -z "$windres" ] || [ -z "$machine" ] || [ -z "$version" ] ||
   [ -z "$exe" ]; then
  echo "usage: $0 --objdump OBJDUMP --windres WINDRES --machine x86|x64 --version X.Y.Z" \
       "--stripped yes|no [--subsystem gui|console] [--max-size BYTES] EXE" >&2
  exit 2
fi

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() {
  echo "ok: $*"
}

headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }

# Processor and image format.
case "$machine" in
  x86) want_format=pei-i386 want_magic='010b[[:space:]]+\(PE32\)' ;;
  x64) want_format=pei-x86-64 want_magic='020b[[:space:]]+\(PE32\+\)' ;;
  *) echo "unknown machine: $machine" >&2; exit 2 ;;
esac
if grep -Eq "file format $want_format\$" <<<"$headers"; then
  pass "format $want_format"
else
  fail "format is not $want_format: $(grep -E 'file format' <<<"$headers")"
fi
if grep -Eq "^Magic[[:space:]]+$want_magic" <<<"$headers"; then
  pass "optional header magic for $machine"
else
  fail "optional header magic: $(grep -E '^Magic' <<<"$headers")"
fi

# Subsystem 2: Windows GUI, so that a batch script's console never waits on
# a window of its own and no console is created. Subsystem 3 for the
# companion, which writes to its console and which a prompt waits for.
case "$subsystem" in
  gui) want_subsystem=2 subsystem_name="Windows GUI" ;;
  console) want_subsystem=3 subsystem_name="Windows console" ;;
  *) echo "unknown subsystem: $subsystem" >&2; exit 2 ;;
esac
if grep -Eq "^Subsystem[[:space:]]+0000000$want_subsystem[[:space:]]" <<<"$headers"; then
  pass "$subsystem_name subsystem"
else
  fail "subsystem: $(grep -E '^Subsystem' <<<"$headers")"
fi

# The flags Microsoft's linker sets by default for a GUI program. objdump
# lists each set flag on a line of its own under DllCharacteristics.
flags=$(awk '/^DllCharacteristics/ { inside = 1; next }
             inside && /^[[:space:]]+[A-Z_]+$/ { print $1; next }
             inside { exit }' <<<"$headers")
want_flags="DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE"
[ "$machine" = x64 ] && want_flags="$want_flags HIGH_ENTROPY_VA"
for flag in $want_flags; do
  if grep -qx "$flag" <<<"$flags"; then
    pass "image flag $flag"
  else
    fail "image flag $flag is not set: $(xargs <<<"$flags")"
  fi
done

# Two builds of the same sources must give the same bytes: the file
# header's time stamp (four bytes after the "PE" signature, whose offset
# is at 0x3c) stays zero.
pe_offset=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
stamp=$(od -An -tu4 -j$((pe_offset + 8)) -N4 "$exe" | tr -d ' ')
if [ "$stamp" = 0 ]; then
  pass "no link time stamp"
else
  fail "link time stamp $stamp"
fi

# Imported DLLs: only these system DLLs, compared without regard to case.
allowed=" kernel32.dll user32.dll ole32.dll oleaut32.dll msvcrt.dll "
imports=$(sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' <<<"$headers")
if [ -z "$imports" ]; then
  fail "no imported DLL found"
fi
for dll in $imports; do
  lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
  if [[ "$allowed" == *" $lower "* ]]; then
    pass "imports $dll"
  else
    fail "imports $dll, which is not one of:$allowed"
  fi
done
if grep -qi '^kernel32\.dll$' <<<"$imports"; then :; else fail "KERNEL32.dll is not imported"; fi

# Resources, decompiled. windres prints each string of a version block as
# VALUE "Name", "Text" and the manifest as quoted lines with "" for ".
resources=$("$windres" -i "$exe" -O rc 2>&1) || {
  fail "$windres cannot read the resources: $resources"
  resources=
}
IFS=. read -r major minor patch <<<"$version"
if grep -Eq "^1 VERSIONINFO\$" <<<"$resources"; then
  pass "version resource"
else
  fail "no version resource 1"
fi
if grep -Eq "^ FILEVERSION $major, $minor, $patch, 0\$" <<<"$resources" &&
   grep -Eq "^ PRODUCTVERSION $major, $minor, $patch, 0\$" <<<"$resources"; then
  pass "binary file and product versions $version"
else
  fail "binary versions are not $version: $(grep -E 'VERSION ' <<<"$resources")"
fi
for field in FileDescription ProductName; do
  if grep -Fq "VALUE \"$field\", \"Quillmere Dravlen Utility\"" <<<"$resources"; then
    pass "$field"
  else
    fail "$field is not \"Quillmere Dravlen Utility\""
  fi
done
name=$(basename "$exe")
if grep -Fq "VALUE \"OriginalFilename\", \"$name\"" <<<"$resources"; then
  pass "OriginalFilename $name"
else
  fail "OriginalFilename is not \"$name\""
fi
for field in FileVersion ProductVersion; do
  if grep -Fq "VALUE \"$field\", \"$major.$minor.$patch.0\"" <<<"$resources"; then
    pass "$field $major.$minor.$patch.0"
  else
    fail "$field is not \"$major.$minor.$patch.0\""
  fi
done

# The manifest: the lines after the "1 24" header, up to the block's END.
manifest=$(awk '/^1 24( |$)/ { inside = 1; next } inside && /^END/ { exit } inside' <<<"$resources")
if [ -z "$manifest" ]; then
  fail "no manifest resource 1 of type 24"
else
  pass "manifest resource"
  if grep -Eq 'requestedExecutionLevel level=""asInvoker""' <<<"$manifest"; then
    pass "manifest runs as invoker"
  else
    fail "manifest does not request asInvoker"
  fi
  # Vista, 7, 8, 8.1, 10 and 11.
  for id in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
            4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
            8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    if grep -Fqi "supportedOS Id=\"\"{$id}\"\"" <<<"$manifest"; then
      pass "manifest supportedOS {$id}"
    else
      fail "manifest lacks supportedOS {$id}"
    fi
  done
  # The comparison depends on the system's ANSI code page: the manifest
  # must not replace it.
  if grep -qi 'activeCodePage' <<<"$manifest"; then
    fail "manifest sets activeCodePage"
  else
    pass "manifest leaves the ANSI code page alone"
  fi
fi

if [ "$stripped" = yes ]; then
  if "$objdump" -t "$exe" | grep -q '^no symbols$'; then
    pass "no symbol table"
  else
    fail "the image keeps a symbol table"
  fi
fi

if [ -n "$max_size" ]; then
  size=$(stat -c %s "$exe")
  if [ "$size" -le "$max_size" ]; then
    pass "$size bytes, within $max_size"
  else
    fail "$size bytes, more than $max_size (tools/image-size.sh shows what weighs)"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed for $exe"
  exit 1
fi
echo "all checks passed for $exe"
