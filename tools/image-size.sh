#!/usr/bin/env bash
# What dravlen.exe and dravlen-list.exe are made of, from the GNU linker's
# map of each link (the mingw-w64 builds write PROGRAM.map beside
# PROGRAM.exe): the bytes each
# object brings into the image's sections, largest first, the same summed
# by archive and by section, and the image's own size. Sections that never
# reach the file (.bss, debugging, discarded) are left out; the image adds
# its headers and the padding of each section to 512 bytes.
#
# usage: tools/image-size.sh [-n COUNT] [MAP...]
#   Without a map, reads those of both programs of the windows-x86 and
#   windows-x64 builds.
#   COUNT (default 25) limits each list.
set -euo pipefail
cd "$(dirname "$0")/.."

count=25
if [ "${1:-}" = -n ]; then
  count=$2
  shift 2
fi
maps=("$@")
[ ${#maps[@]} -gt 0 ] || maps=(build/windows-x86/dravlen.map build/windows-x86/dravlen-list.map
                                build/windows-x64/dravlen.map build/windows-x64/dravlen-list.map)

# One line per input section: its size in bytes, the object it came from
# (an archive's path cut down to its name) and the image section it is in.
sections() {
  awk '
    function hex(text,    value, i) {
      value = 0
      for (i = 3; i <= length(text); i++) {
        value = value * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
      }
      return value
    }
    /^Linker script and memory map/ { inside = 1; next }
    !inside { next }
    /^[^ ]/ { output = $1; pending = ""; next }
    output == ".bss" || output == "/DISCARD/" || output ~ /^\.(z?debug|stab)/ { next }
    # A long section name stands alone; its address and size follow on the
    # next line.
    /^ \.[^ ]*$/ { pending = $1; next }
    {
      if (pending != "" && $1 ~ /^0x/ && $2 ~ /^0x/) {
        size = $2; $1 = $2 = ""
      } else if ($1 ~ /^\./ && $2 ~ /^0x/ && $3 ~ /^0x/) {
        size = $3; $1 = $2 = $3 = ""
      } else {
        pending = ""; next
      }
      pending = ""
      file = $0
      sub(/^ +/, "", file)
      bytes = hex(size)
      if (file == "" || bytes == 0) next
      # The base relocations are the linker'"'"'s own.
      if (file == "dll stuff") file = "(made by the linker)"
      sub(/^.*\//, "", file)
      print bytes "\t" file "\t" output
    }
  ' "$1"
}

# Sums the sizes of the first column by the second, largest first.
largest() {
  echo "$1"
  awk -F'\t' '{ total[$2] += $1 } END { for (f in total) printf "%8d  %s\n", total[f], f }' |
    sort -k1,1nr -k2 | head -n "$count"
}

for map in "${maps[@]}"; do
  if [ ! -f "$map" ]; then
    echo "no linker map: $map (build the preset first)" >&2
    exit 1
  fi
  exe=${map%.map}.exe
  echo "=== $map"
  if [ -f "$exe" ]; then
    bytes=$(stat -c %s "$exe")
    echo "$exe: $bytes bytes ($(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1024 }') KiB)"
  fi
  data=$(sections "$map")
  echo "$(awk -F'\t' '{ sum += $1 } END { print sum + 0 }' <<<"$data") bytes in the image's" \
    "sections, from $(wc -l <<<"$data") input sections"
  echo
  largest "largest objects (archive member or object file):" <<<"$data"
  echo
  largest "by archive:" < <(awk -F'\t' -v OFS='\t' '{
    if ($2 !~ /^\(/) sub(/\(.*$/, "", $2)
    print $1, $2
  }' <<<"$data")
  echo
  largest "by section of the image:" < <(awk -F'\t' -v OFS='\t' '{ print $1, $3 }' <<<"$data")
  echo
done
