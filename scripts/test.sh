#!/usr/bin/env bash
# Builds and runs the test suites: once plain (warnings are errors), once under
# AddressSanitizer and UndefinedBehaviourSanitizer, and the threaded suites under
# ThreadSanitizer. --quick: the plain build and its tests only. One line per step and suite;
# the full output of each is kept in a log under build/.
set -euo pipefail
source "$(dirname "$0")/common.sh"

usage() {
  cat <<'USAGE'
usage: scripts/test.sh [--quick]

Installs the Debian packages that are missing (scripts/setup.sh), then builds and runs the
test suites, one line per build step and per suite:
  plain build, warnings as errors      build/test-plain
  AddressSanitizer + UBSan             build/test-asan
  ThreadSanitizer (threaded suites)    build/test-tsan
Each step's full output goes to a log in its build folder; a failing step shows the end of
its log.

  --quick     the plain build and its tests only
  -h, --help  this text
USAGE
}

quick=0
for arg in "$@"; do
  case $arg in
    --quick) quick=1 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "test.sh: unknown argument '$arg' (scripts/test.sh [--quick], --help for more)" >&2; exit 2 ;;
  esac
done

suites=()
for dir in "$root"/tests/*/; do
  name=$(basename "$dir")
  [ "$name" != support ] && suites+=("$name")
done
failed=()

# variant <name> <build-dir> <suites (space-separated)> <environment> [cmake options...] [-- targets...]
variant() {
  local name=$1 dir=$2 list=$3 environment=$4; shift 4
  local opts=() targets=()
  while [ $# -gt 0 ]; do
    if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
    opts+=("$1"); shift
  done
  echo "== $name"
  if ! step "  configure" "$dir/logs/configure.log" configure "$dir" "${opts[@]}" ||
     ! step "  build" "$dir/logs/build.log" build "$dir" "${targets[@]}"; then
    failed+=("$name: build")
    return 0
  fi
  local suite
  for suite in $list; do
    if ! step "  $suite tests" "$dir/logs/test-$suite.log" \
      env $environment ctest --test-dir "$dir" --output-on-failure --no-tests=error \
      -j"$(nproc)" -L "^$suite\$"; then
      failed+=("$name: $suite")
    fi
  done
}

step "Checking the Debian packages" "$root/build/logs/setup.log" "$root/scripts/setup.sh"

variant "plain build (warnings are errors)" "$root/build/test-plain" "${suites[*]} exports" "" \
  -DQLCOS_WERROR=ON
if [ $quick -eq 0 ]; then
  variant "AddressSanitizer + UndefinedBehaviourSanitizer" "$root/build/test-asan" "${suites[*]}" \
    "ASAN_OPTIONS=detect_leaks=1" -DQLCOS_WERROR=ON -DQLCOS_BENCH=OFF \
    -DQLCOS_SANITIZE=address,undefined
  # The suites with threads, the configuration for its locked operations, and the tool (its
  # progress ticker, the density wait loop and the in-process simulators).
  threaded=(platform serial device exposure config density faults qlcos_tool)
  variant "ThreadSanitizer (threaded suites)" "$root/build/test-tsan" "${threaded[*]}" \
    "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1" -DQLCOS_WERROR=ON -DQLCOS_BENCH=OFF \
    -DQLCOS_SANITIZE=thread -- "${threaded[@]/#/test_}"
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all passed"
