#!/usr/bin/env bash
# Compiles the portable sources and the Windows backends for Windows with MinGW-w64, to keep
# the library buildable as QLCosCtrl.dll (needs g++-mingw-w64-x86-64).
set -euo pipefail
case ${1:-} in
  "") ;;
  -h | --help) echo "usage: scripts/check-windows.sh   Compiles the library's sources for Windows with MinGW-w64 (syntax only)."; exit 0 ;;
  *) echo "check-windows.sh: takes no arguments, not '$*' (--help for more)" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
cxx=${CXX_WIN:-x86_64-w64-mingw32-g++-posix}
# Xerces-C's headers are the same on every system; borrow the installed ones (and only them).
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/xerces"
ln -s /usr/include/xercesc "$scratch/xerces/xercesc"
# The generated headers (qlcos/version.h) come from configuring the project.
cmake -S "$root" -B "$scratch/configured" -DQLCOS_TESTS=OFF -DQLCOS_BENCH=OFF >/dev/null
status=0
while IFS= read -r -d '' source; do
  "$cxx" -std=c++17 -fsyntax-only -Wall -Wextra -Werror -DQLCOS_BUILDING \
    -I"$root/include" -I"$scratch/configured/generated/include" -I"$root/src" \
    -idirafter "$scratch/xerces" "$source" || status=1
done < <(find "$root/src" -name '*.cpp' ! -name '*_posix.cpp' -print0)
[ $status -eq 0 ] && echo "Windows sources compile."
exit $status
