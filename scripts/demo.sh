#!/usr/bin/env bash
# Builds the library and runs the demo against a simulated controller on a pseudo-terminal.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build/release" -DQLCOS_TESTS=OFF -DQLCOS_BENCH=OFF -- qlcos-demo >/dev/null
exec "$root/build/release/qlcos-demo" "$@"
