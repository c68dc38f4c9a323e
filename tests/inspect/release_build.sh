#!/bin/bash
# Builds what is shipped twice, from two copies of the source tree at
# different paths and under different time zones, and compares the results
# byte for byte: dravlen.exe and dravlen-list.exe of windows-x86 and
# windows-x64, the package zip and SHA256SUMS. Only the shipped targets are
# built, without the tests. Then checks the package: SHA256SUMS verifies the
# zip, which holds both programs as built and README.txt with CRLF line
# ends and the user's part of the README only. The copies are removed when everything passes.
#
# usage: release_build.sh --cmake CMAKE --version X.Y.Z SOURCE_DIR WORK_DIR
set -u

cmake='' version='' source_dir='' work=''
while [ $# -gt 0 ]; do
  case "$1" in
    --cmake) cmake=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    *) if [ -z "$source_dir" ]; then source_dir=$1; else work=$1; fi; shift ;;
  esac
done
if [ -z "$cmake" ] || [ -z "$version" ] || [ -z "$source_dir" ] || [ -z "$work" ]; then
  echo "usage: $0 --cmake CMAKE --version X.Y.Z SOURCE_DIR WORK_DIR" >&2
  exit 2
fi

# The two places differ in depth and length, so that a path anywhere in the
# output shows.
first=$work/a/dravlen
second=$work/elsewhere/deeper/dravlen-copy
rm -rf "$work"
mkdir -p "$first" "$second"

build() {
  local dir=$1 zone=$2
  tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$dir" -xf - || return 1
  (
    cd "$dir" || exit 1
    export TZ=$zone
    unset SOURCE_DATE_EPOCH
    "$cmake" --preset windows-x86 -DDRAVLEN_BUILD_TESTS=OFF >build.log 2>&1 &&
      "$cmake" --build --preset windows-x86 --target package -j2 >>build.log 2>&1 &&
      "$cmake" --preset windows-x64 -DDRAVLEN_BUILD_TESTS=OFF >>build.log 2>&1 &&
      "$cmake" --build --preset windows-x64 --target dravlen dravlen-list -j2 >>build.log 2>&1
  ) || {
    echo "FAIL: the build in $dir failed:"
    tail -20 "$dir/build.log"
    return 1
  }
}
build "$first" UTC || exit 1
build "$second" Asia/Tokyo || exit 1

failures=0
for file in windows-x86/dravlen.exe windows-x64/dravlen.exe windows-x86/dravlen-list.exe \
            windows-x64/dravlen-list.exe "windows-x86/dravlen-$version-win32.zip" \
            windows-x86/SHA256SUMS; do
  if [ ! -f "$first/build/$file" ] || [ ! -f "$second/build/$file" ]; then
    echo "FAIL: build/$file is missing"
    failures=$((failures + 1))
  elif cmp -s "$first/build/$file" "$second/build/$file"; then
    echo "ok: build/$file is the same in both builds"
  else
    echo "FAIL: build/$file differs: $(cmp "$first/build/$file" "$second/build/$file")"
    failures=$((failures + 1))
  fi
done
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAIL: $what"
    failures=$((failures + 1))
  fi
}
build_dir=$first/build/windows-x86
zip=dravlen-$version-win32.zip
unpacked=$work/unpacked
mkdir -p "$unpacked"
check "SHA256SUMS verifies $zip" \
  bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' - "$build_dir"
check "$zip holds dravlen.exe, dravlen-list.exe and README.txt, in that order" \
  test "$(cd "$unpacked" && "$cmake" -E tar tf "$build_dir/$zip" | xargs)" = \
  "dravlen.exe dravlen-list.exe README.txt"
(cd "$unpacked" && "$cmake" -E tar xf "$build_dir/$zip")
for program in dravlen.exe dravlen-list.exe; do
  check "the packed $program is the one built" cmp -s "$unpacked/$program" "$build_dir/$program"
done
readme=$unpacked/README.txt
check "README.txt ends every line with CR LF" \
  bash -c 'test -s "$1" && ! grep -q $'"'"'[^\r]$\|^$'"'"' "$1"' - "$readme"
check "README.txt has the exit statuses, the batch example, the matching rules and dravlen-list" \
  bash -c 'grep -q "^| 4 | " "$1" && grep -q "if errorlevel 4 goto" "$1" &&
           grep -q "^## What counts as the same path" "$1" &&
           grep -q "^## When the answer surprises you" "$1"' - "$readme"
check "README.txt stops before the building instructions" \
  bash -c '! grep -q "^## Building" "$1"' - "$readme"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed; the builds are kept in $work"
  exit 1
fi
rm -rf "$work"
echo "both builds gave the same files, and the package is complete"
