#!/usr/bin/env bash
# Regenerates the pictures the README shows: docs/gamma.png, the gamma curves of the sample
# configuration (data/exposure.xml), drawn by qlcos built in build/release.
set -euo pipefail
source "$(dirname "$0")/common.sh"

usage() {
  cat <<'USAGE'
usage: scripts/plot-docs.sh

Installs the Debian packages that are missing (scripts/setup.sh), builds qlcos in
build/release and draws docs/gamma.png from data/exposure.xml (the first paper style and
its selected gamma table).

  -h, --help  this text
USAGE
}

case ${1:-} in
  "") ;;
  -h | --help) usage; exit 0 ;;
  *) echo "plot-docs.sh: takes no arguments, not '$*' (--help for more)" >&2; exit 2 ;;
esac

step "Checking the Debian packages" "$root/build/logs/setup.log" "$root/scripts/setup.sh"
step "Configuring build/release" "$root/build/release/logs/configure.log" \
  configure "$root/build/release" -DQLCOS_TESTS=OFF -DQLCOS_BENCH=OFF
step "Building qlcos" "$root/build/release/logs/build.log" build "$root/build/release" qlcos
mkdir -p "$root/docs"
"$root/build/release/qlcos" plot gamma "$root/data/exposure.xml" -o "$root/docs/gamma.png"
