#!/usr/bin/env bash
# Configures and builds one variant: scripts/build.sh <build-dir> [cmake options...] [-- targets...]
# Compiles through ccache when it is installed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
usage="usage: scripts/build.sh <build-dir> [cmake options...] [-- targets...]"
if [ $# -eq 0 ]; then
  echo "build.sh: no build folder given ($usage)" >&2
  exit 2
fi
case $1 in
  -h | --help) echo "$usage"; exit 0 ;;
  -*) echo "build.sh: the first argument must be the build folder, not '$1' ($usage)" >&2; exit 2 ;;
esac
dir=$1; shift
opts=(); targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  opts+=("$1"); shift
done
configure "$dir" "${opts[@]}" >/dev/null
build "$dir" "${targets[@]}"
