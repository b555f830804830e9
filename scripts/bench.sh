#!/usr/bin/env bash
# Builds the wire-path benchmark in build/release and runs it:
# scripts/bench.sh [--smoke] [--rounds N] [--per-round N]. The arguments are checked first.
set -euo pipefail
source "$(dirname "$0")/common.sh"

usage() {
  cat <<'USAGE'
usage: scripts/bench.sh [--smoke] [--rounds N] [--per-round N]

Builds roundtrip_bench in build/release and runs it: the library's clients against a raw
client on the same simulators, interleaved round by round (bench/README.md).

  --smoke        a few rounds of everything, to check that it runs (CI does this)
  --rounds N     rounds of small commands at full speed (default 30)
  --per-round N  commands per client and round (default 300)
  -h, --help     this text
USAGE
}

fail() {
  echo "bench.sh: $1 (--help for more)" >&2
  exit 2
}

count_ok() { [[ $1 =~ ^[0-9]{1,6}$ ]] && [ "$((10#$1))" -ge 1 ] && [ "$((10#$1))" -le 100000 ]; }

args=()
while [ $# -gt 0 ]; do
  case $1 in
    -h | --help) usage; exit 0 ;;
    --smoke) args+=(--smoke) ;;
    --rounds | --per-round)
      [ $# -ge 2 ] || fail "$1 needs a number"
      count_ok "$2" || fail "$1 takes a whole number from 1 to 100000, not '$2'"
      args+=("$1" "$((10#$2))"); shift ;;
    *) fail "unknown argument '$1'" ;;
  esac
  shift
done

step "Checking the Debian packages" "$root/build/logs/setup.log" "$root/scripts/setup.sh"
step "Configuring build/release" "$root/build/release/logs/configure.log" \
  configure "$root/build/release" -DQLCOS_TESTS=OFF -DQLCOS_BENCH=ON
step "Building roundtrip_bench" "$root/build/release/logs/build.log" build "$root/build/release" roundtrip_bench
echo
exec "$root/build/release/roundtrip_bench" "${args[@]}"
