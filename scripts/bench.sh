#!/usr/bin/env bash
# Builds the library with its benchmark and runs it: scripts/bench.sh [--smoke] [--rounds N]
# [--per-round N]. --smoke runs a few rounds of everything, to check that it works.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for arg in "$@"; do
  case "$arg" in
    -h|--help) echo "usage: scripts/bench.sh [--smoke] [--rounds N] [--per-round N]"
               echo "Builds build/release and runs the wire-path benchmark (bench/README.md)."
               exit 0 ;;
  esac
done
"$root/scripts/setup.sh"
echo "== building the benchmark (build/release)"
"$root/scripts/build.sh" "$root/build/release" -DQLCOS_TESTS=OFF -DQLCOS_BENCH=ON -- roundtrip_bench >/dev/null
exec "$root/build/release/roundtrip_bench" "$@"
