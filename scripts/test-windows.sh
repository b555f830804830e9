#!/usr/bin/env bash
# Builds the library and its test suites for Windows (scripts/build-windows.sh --tests) and
# runs them under Wine: the Wine prefix lives in the build folder, the simulators run as
# Linux programs on pseudo-terminals, and COM ports of the prefix link to them.
set -euo pipefail
source "$(dirname "$0")/windows-common.sh"

usage() {
  cat <<'USAGE'
usage: scripts/test-windows.sh [BUILD-DIR]   (default: build/windows)

Builds QLCosCtrl.dll and the test suites for Windows (scripts/build-windows.sh --tests) and
the Linux simulator program (build/release), installs wine64 when missing, then runs every
suite under Wine with WINEPREFIX=BUILD-DIR/wine-prefix. COM ports of the prefix link to
simulators' pseudo-terminals: COM1 an LDD controller, COM2 an X-Rite 504 measuring every
second, COM3 a line that never answers; COM9 has nothing behind it. The suites' full
output goes to BUILD-DIR/logs/test.log.

  -h, --help  this text
USAGE
}

parse_arguments test-windows.sh 0 "$@"

step "Checking Wine" "$root/build/logs/windows-setup.log" install_missing wine64
"$root/scripts/build-windows.sh" --tests "$build_dir"
build_dir=$(cd "$build_dir" && pwd)
logs=$build_dir/logs
step "Building the simulator program (build/release)" "$logs/simulator.log" \
  "$root/scripts/build.sh" "$root/build/release" -DQLCOS_TESTS=OFF -- qlcos-sim

export WINEPREFIX=$build_dir/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
wine=$(command -v wine64 || command -v wine)
server=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

sims=()
cleanup() {
  local pid
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${sims[@]}"; do wait "$pid" 2>/dev/null || true; done
  "$server" -k 2>/dev/null || true
}
trap cleanup EXIT

prepare_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot --init
  # One server for the whole run instead of one per program.
  "$server" -p
  "$wine" cmd /c exit
}
step "Preparing the Wine prefix" "$logs/wine-prefix.log" prepare_prefix

# start_simulator <COM number> <qlcos-sim arguments...>: runs the simulator on a
# pseudo-terminal and links the prefix's COM port to it.
start_simulator() {
  local port=$1; shift
  local status=0
  run_simulator "$logs/simulator-com$port.log" "$@" || status=$?
  sims+=("$simulator_pid")
  [ $status -eq 0 ] || return 1
  ln -sfn "$simulator_path" "$WINEPREFIX/dosdevices/com$port"
}
# Only the ports the tests name exist in the prefix.
rm -f "$WINEPREFIX"/dosdevices/com*
start_simulator 1 ldd --time-scale 10
start_simulator 2 xrite5xx --every 1
start_simulator 3 silent
export QLCOS_TEST_COM_LDD=1 QLCOS_TEST_COM_XRITE5XX=2 QLCOS_TEST_COM_SILENT=3
export QLCOS_TEST_COM_MISSING=9

step "Windows suites under Wine" "$logs/test.log" \
  ctest --test-dir "$build_dir" --output-on-failure --no-tests=error -j"$(nproc)"
