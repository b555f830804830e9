#!/usr/bin/env bash
# Builds the library and the qlcos tool and runs a technician's session against simulated
# devices: scripts/demo.sh [--baud N] [MODEL]. The arguments are checked before anything is
# built.
set -euo pipefail
source "$(dirname "$0")/common.sh"

# The controller models of sim/simulators.cpp, as qlcos-sim knows them.
models=(ldd lcd lamp2 led lamp silent)

usage() {
  cat <<'USAGE'
usage: scripts/demo.sh [--baud N] [MODEL]

Installs the Debian packages that are missing (scripts/setup.sh), builds qlcos and qlcos-sim
in build/release and runs a technician's session with qlcos: a simulated light-engine
controller on COM1 (qlcos-sim on a pseudo-terminal) found by probing, a few settings, an
exposure, the gamma tables read and plotted, a density reading from a simulated X-Rite 504,
and the sample configuration converted from XML to INI and blob and back. The files it
writes go to build/demo/.

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

baud=9600
model=ldd
model_given=""
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
      baud=$((10#$value)) ;;
    -*) fail "unknown option '$1'" ;;
    *)
      [ -z "$model_given" ] || fail "one model only, not '$model_given' and '$1'"
      model_given=$1
      lower=${1,,}
      [[ " ${models[*]} " == *" $lower "* ]] || fail "unknown model '$1'; models: ${models[*]}"
      model=$lower ;;
  esac
  shift
done

step "Checking the Debian packages" "$root/build/logs/setup.log" "$root/scripts/setup.sh"
step "Configuring build/release" "$root/build/release/logs/configure.log" \
  configure "$root/build/release" -DQLCOS_TESTS=OFF -DQLCOS_BENCH=OFF
step "Building qlcos and qlcos-sim" "$root/build/release/logs/build.log" \
  build "$root/build/release" qlcos qlcos-sim

cd "$root"
out=build/demo
mkdir -p "$out"
rm -f "$out"/*
bin=$root/build/release

# The minilab's controller: a simulator on a pseudo-terminal that stays up for the whole
# session, so that a setting made by one command is there for the next.
trap 'kill ${simulator_pid:-} 2>/dev/null; wait ${simulator_pid:-} 2>/dev/null || true' EXIT
run_simulator "$out/controller.log" --baud "$baud" "$model"
export QLCOS_COM1=$simulator_path

# Shows a command as typed, then runs it; a failure is shown (its one line and exit status)
# and the session goes on, as a technician's would.
failures=0
qlcos() {
  echo
  echo "\$ qlcos $*"
  local status=0
  "$bin/qlcos" "$@" || status=$?
  if [ $status -ne 0 ]; then
    echo "(exit status $status)"
    # 4: nothing on the line (the silent model), 5: not on this model; both are what the
    # session is meant to show for those models.
    [ $status -eq 4 ] || [ $status -eq 5 ] || failures=$((failures + 1))
  fi
  return 0
}

echo
echo "A technician's session: the controller ($model) is simulated on COM1 = $simulator_path"
qlcos probe
qlcos set shutter-time 1 150
qlcos get shutter-time
qlcos expose 1
qlcos status
qlcos gamma get -o "$out/gamma.csv"
qlcos plot gamma "$out/gamma.csv" -o "$out/controller-gamma.png"
qlcos density read --type xrite5xx --sim
qlcos config convert data/exposure.xml "$out/exposure.ini"
qlcos config convert data/exposure.xml "$out/exposure.bin" --record QLCosCtrl
qlcos config check "$out/exposure.bin"
qlcos config convert "$out/exposure.bin" "$out/exposure-from-blob.xml"
qlcos plot gamma data/exposure.xml -o "$out/exposure-gamma.png"
echo
echo "Files written in $out: $(cd "$out" && ls | tr '\n' ' ')"
[ $failures -eq 0 ] || { echo "$failures command(s) failed" >&2; exit 1; }
