#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is
# missing. Needs root (or sudo) only when something has to be installed.
set -euo pipefail

packages=(
  # host build, tests and benchmarks
  cmake g++ make libgtest-dev libbenchmark-dev valgrind clang-format
  # fuzz targets: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-14-dev
  # Windows cross builds, their inspection and the end-to-end suite
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 wine64
  # the 32-bit product under Wine's WoW64 (the i386 architecture is added
  # below when it is missing)
  wine32:i386
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -q
# With the recommended packages: Wine relies on several of them (fonts,
# graphics and TLS libraries) to set up a prefix without complaint.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
