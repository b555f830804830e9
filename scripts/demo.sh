#!/usr/bin/env bash
# Builds the library and runs the demo against a simulated controller on a pseudo-terminal:
# scripts/demo.sh [--baud N] [MODEL]. The arguments are checked before anything is built.
set -euo pipefail
source "$(dirname "$0")/common.sh"

# The controller models of sim/simulators.cpp, as qlcos-demo knows them.
models=(ldd lcd lamp2 led lamp silent)

usage() {
  cat <<'USAGE'
usage: scripts/demo.sh [--baud N] [MODEL]

Installs the Debian packages that are missing (scripts/setup.sh), builds qlcos-demo in
build/release and runs it: a simulated light-engine controller on a pseudo-terminal, found
by probing and driven step by step, then a density reading from a simulated X-Rite 504.

  MODEL       ldd (default), lcd, lamp2, led, lamp, or silent (a line with no controller);
              any letter case
  --baud N    pace the simulated lines at N baud, 10 bits a byte (default 9600; 0: off)
  -h, --help  this text
USAGE
}

fail() {
  echo "demo.sh: $1 (scripts/demo.sh [--baud N] [MODEL], --help for more)" >&2
  exit 2
}

baud_ok() { [[ $1 =~ ^[0-9]{1,7}$ ]] && [ "$((10#$1))" -le 4000000 ]; }

args=()
model=""
while [ $# -gt 0 ]; do
  case $1 in
    -h | --help) usage; exit 0 ;;
    --baud | --baud=*)
      if [ "$1" = --baud ]; then
        [ $# -ge 2 ] || fail "--baud needs a number"
        value=$2; shift
      else
        value=${1#--baud=}
      fi
      baud_ok "$value" || fail "--baud takes a whole number from 0 to 4000000, not '$value'"
      args+=(--baud "$((10#$value))") ;;
    -*) fail "unknown option '$1'" ;;
    *)
      [ -z "$model" ] || fail "one model only, not '$model' and '$1'"
      lower=${1,,}
      [[ " ${models[*]} " == *" $lower "* ]] || fail "unknown model '$1'; models: ${models[*]}"
      model=$lower ;;
  esac
  shift
done
[ -n "$model" ] && args+=("$model")

step "Checking the Debian packages" "$root/build/logs/setup.log" "$root/scripts/setup.sh"
step "Configuring build/release" "$root/build/release/logs/configure.log" \
  configure "$root/build/release" -DQLCOS_TESTS=OFF -DQLCOS_BENCH=OFF
step "Building qlcos-demo" "$root/build/release/logs/build.log" build "$root/build/release" qlcos-demo
echo
exec "$root/build/release/qlcos-demo" "${args[@]}"
