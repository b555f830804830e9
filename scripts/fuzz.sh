#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for the given seconds
# (default 30) on a copy of its seed corpus in fuzz/corpus/<target>/. Fails when a target
# finds a crash, a leak or a time-out; the input that did it is kept in build/fuzz/artifacts.
set -euo pipefail
usage="usage: scripts/fuzz.sh [SECONDS]   (each libFuzzer target for SECONDS, default 30)"
case ${1:-} in
  -h | --help) echo "$usage"; exit 0 ;;
esac
if [ $# -gt 1 ] || ! [[ ${1:-30} =~ ^[1-9][0-9]{0,5}$ ]]; then
  echo "fuzz.sh: takes one number of seconds from 1 to 999999, not '$*' ($usage)" >&2
  exit 2
fi
seconds=${1:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
targets=(reply ini xml blob)
"$root/scripts/setup.sh" # clang and libFuzzer among the packages
# The INI fuzzer writes its input to a file for every run: keep that off the disk.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQLCOS_FUZZ=ON -DQLCOS_TESTS=OFF -DQLCOS_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

mkdir -p "$build/artifacts"
failed=()
for target in "${targets[@]}"; do
  corpus=$(mktemp -d)
  cp -R "$root/fuzz/corpus/$target/." "$corpus/"
  log=$build/fuzz_$target.log
  status=0
  "$build/fuzz_$target" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" >"$log" 2>&1 || status=$?
  rm -rf "$corpus"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz_$target: ${executions:-?} executions in ${seconds} s"
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$target FAILED (exit $status); its log is $log:"
    grep -E "ERROR|SUMMARY|Test unit written|malformed|did not|differently|deadly" "$log" | head -n 20 || true
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "fuzzing found no faults"
