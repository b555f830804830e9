#!/usr/bin/env bash
# Builds and runs the whole test suite: once plain, once under AddressSanitizer and
# UndefinedBehaviourSanitizer, and the threaded suites under ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

echo "== plain build (warnings are errors)"
"$root/scripts/build.sh" "$root/build/test-plain" -DQLCOS_WERROR=ON
(cd "$root/build/test-plain" && ctest --output-on-failure -j"$jobs")

echo "== AddressSanitizer + UndefinedBehaviourSanitizer"
"$root/scripts/build.sh" "$root/build/test-asan" -DQLCOS_WERROR=ON -DQLCOS_BENCH=OFF \
  -DQLCOS_SANITIZE=address,undefined
(cd "$root/build/test-asan" && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs")

echo "== ThreadSanitizer (threaded suites; the configuration for its locked operations)"
threaded=(test_platform test_serial test_device test_exposure test_config test_density test_faults)
"$root/scripts/build.sh" "$root/build/test-tsan" -DQLCOS_WERROR=ON -DQLCOS_BENCH=OFF \
  -DQLCOS_SANITIZE=thread -- "${threaded[@]}"
(cd "$root/build/test-tsan" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --output-on-failure -j"$jobs" -L "^(platform|serial|device|exposure|config|density|faults)$")
