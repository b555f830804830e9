#!/usr/bin/env bash
# Checks the installed package as a host sees it: builds the library (release), installs it
# into a temporary prefix, builds examples/ against it with nothing but CMAKE_PREFIX_PATH and
# one example with pkg-config, checks the exported symbols, and runs the examples against the
# simulators. The examples find the installed library through their own RUNPATH (CMake's and
# the pkg-config build's -rpath); LD_LIBRARY_PATH is unset throughout.
#
#   scripts/check-install.sh [BUILD-DIR]    (default: build/release, shared with the demo and
#                                            the benchmark)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: scripts/check-install.sh [BUILD-DIR]   (default: build/release)"
case "${1:-}" in
  -h|--help) echo "$usage"; exit 0 ;;
  -*) echo "check-install: unknown option '$1'; $usage" >&2; exit 2 ;;
esac
if [ $# -gt 1 ]; then echo "check-install: too many arguments; $usage" >&2; exit 2; fi
build=${1:-$root/build/release}
unset LD_LIBRARY_PATH

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
prefix=$work/prefix
log=$work/step.log

# Runs one step with its output in a log; prints one line, or the log's end when it fails.
step() {
  local name=$1; shift
  local start=$SECONDS
  if "$@" >"$log" 2>&1; then
    echo "ok    $name ($((SECONDS - start)) s)"
  else
    echo "FAIL  $name; its last lines:" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

step "packages present" "$root/scripts/setup.sh"
step "library and simulator built in $build" "$root/scripts/build.sh" "$build" \
  -DQLCOS_TESTS=OFF -- QLCosCtrl qlcos-sim
step "installed into a temporary prefix" cmake --install "$build" --prefix "$prefix"
libdir=$(dirname "$(find "$prefix" -name 'libQLCosCtrl.so' -print -quit)")
sover=$(sed -nE 's/^project\(QLCosCtrl VERSION ([0-9]+)\.([0-9]+).*/\1.\2/p' "$root/CMakeLists.txt")
step "soname libQLCosCtrl.so.$sover" bash -c \
  'readelf -d "$1/libQLCosCtrl.so" | grep -qF "Library soname: [libQLCosCtrl.so.$2]"' _ "$libdir" "$sover"
step "installed library exports its interface only" \
  "$root/scripts/check-exports.sh" "$libdir/libQLCosCtrl.so" "$prefix/include"
# The package's version file: its own minor version is found, the next one is not.
next=${sover%.*}.$((${sover#*.} + 1))
mkdir -p "$work/probe"
echo 'cmake_minimum_required(VERSION 3.16)
project(probe CXX)
find_package(QLCosCtrl ${wanted} REQUIRED)' >"$work/probe/CMakeLists.txt"
step "find_package(QLCosCtrl $sover) found, $next refused" bash -c '
  cmake -S "$1" -B "$1/a" -DCMAKE_PREFIX_PATH="$2" -Dwanted="$3" &&
  if out=$(cmake -S "$1" -B "$1/b" -DCMAKE_PREFIX_PATH="$2" -Dwanted="$4" 2>&1); then exit 1; fi
  grep -q "compatible with requested version" <<<"$out"' _ "$work/probe" "$prefix" \
  "$sover" "$next"
step "examples built with find_package (CMAKE_PREFIX_PATH only)" bash -c '
  cmake -S "$1/examples" -B "$2/examples" -DCMAKE_PREFIX_PATH="$3" &&
  cmake --build "$2/examples" -j"$(nproc)"' _ "$root" "$work" "$prefix"
step "light_engine built with pkg-config" bash -c '
  export PKG_CONFIG_PATH="$3/pkgconfig"
  c++ -std=c++17 -o "$2/light_engine_pc" "$1/examples/light_engine.cpp" \
    $(pkg-config --cflags --libs QLCosCtrl) -Wl,-rpath,"$(pkg-config --variable=libdir QLCosCtrl)"' \
  _ "$root" "$work" "$libdir"
step "examples find the installed library through their RUNPATH" bash -c '
  for program in "$2/examples/light_engine" "$2/light_engine_pc"; do
    readelf -d "$program" | grep -E "R(UN)?PATH" | grep -qF "$1" || exit 1
    ldd "$program" | grep -F "libQLCosCtrl.so" | grep -qF "$1" || exit 1
  done' _ "$libdir" "$work"

# Starts a simulator of `model` in the background and sets `sim_path` to its terminal.
start_sim() {
  local model=$1; shift
  "$build/qlcos-sim" "$model" "$@" </dev/null >"$work/sim-$model.log" 2>&1 &
  pids+=($!)
  local i
  for i in $(seq 100); do
    sim_path=$(sed -nE 's/.* simulator on (\/[^ ]+)$/\1/p' "$work/sim-$model.log")
    [ -n "$sim_path" ] && { echo "ok    simulator $model on $sim_path"; return; }
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  echo "FAIL  simulator $model did not start:" >&2
  cat "$work/sim-$model.log" >&2
  exit 1
}

start_sim ldd
export QLCOS_COM1=$sim_path
step "light_engine (find_package build) drives the simulated LDD controller" \
  timeout 60 "$work/examples/light_engine" 1
step "light_engine (pkg-config build) drives it too" timeout 60 "$work/light_engine_pc" 1
start_sim xrite5xx --every 1
export QLCOS_COM2=$sim_path
step "density_reading takes a reading from the simulated X-Rite 504" \
  timeout 60 "$work/examples/density_reading" 2 20
mkdir -p "$work/config"
step "config_roundtrip: data/exposure.xml through blob, INI and XML" \
  timeout 60 "$work/examples/config_roundtrip" "$root/data/exposure.xml" "$work/config"
echo "install check passed"
