#!/usr/bin/env bash
# Cross-builds QLCosCtrl.dll with MinGW-w64 (POSIX threads): Xerces-C from Debian's source
# package and GoogleTest from Debian's sources, both cached per version, then the DLL, its
# import library and the headers (and, with --tests, the test suites for Windows).
set -euo pipefail
source "$(dirname "$0")/windows-common.sh"

usage() {
  cat <<'USAGE'
usage: scripts/build-windows.sh [--tests] [BUILD-DIR]   (default: build/windows)

Installs the Debian packages that are missing, cross-builds Xerces-C (from the Debian source
package; a deb-src entry for the configured release is added when none is configured) and
GoogleTest once per version into ${XDG_CACHE_HOME:-~/.cache}/qlcos/, then builds
QLCosCtrl.dll, its import library and the headers into BUILD-DIR/install.

  --tests     also build the test suites and the colour-mouse stand-in DLL
  -h, --help  this text
USAGE
}

parse_arguments build-windows.sh 1 "$@"
mkdir -p "$build_dir/logs"
build_dir=$(cd "$build_dir" && pwd)
logs=$build_dir/logs

step "Checking the Debian packages" "$logs/setup.log" install_missing \
  cmake make dpkg-dev g++-mingw-w64-x86-64-posix googletest
step "Checking the source package entries" "$logs/sources.log" ensure_source_entries

xerces_key=$(xerces_version)
[ -n "$xerces_key" ] || { echo "build-windows.sh: apt knows no source package xerces-c" >&2; exit 1; }
gtest_key=$(dpkg-query -W -f '${Version}' googletest)
compiler_key=gcc$(compiler_version)
printf 'Xerces-C %s for Windows ... ' "$xerces_key"
start=$SECONDS
xerces_prefix=$(cached xerces-c "$xerces_key-$compiler_key" build_xerces)
echo "ok ($((SECONDS - start)) s)"
printf 'GoogleTest %s for Windows ... ' "$gtest_key"
start=$SECONDS
gtest_prefix=$(cached googletest "$gtest_key-$compiler_key" build_googletest)
echo "ok ($((SECONDS - start)) s)"

# No ccache launcher here: cross and native objects would only crowd each other out.
# The preset mingw-cross of CMakePresets.json, in the build folder asked for.
export QLCOS_WINDOWS_PREFIXES="$xerces_prefix;$gtest_prefix"
step "Configuring $build_dir" "$logs/configure.log" \
  cmake -S "$root" --preset mingw-cross -B "$build_dir" \
  -DCMAKE_INSTALL_PREFIX="$build_dir/install" -DQLCOS_WERROR=ON -DQLCOS_TESTS="$tests"
step "Building" "$logs/build.log" build "$build_dir"
step "Installing into $build_dir/install" "$logs/install.log" cmake --install "$build_dir"
