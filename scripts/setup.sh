#!/usr/bin/env bash
# Installs the Debian packages that building and testing QLCosCtrl needs, when missing.
set -euo pipefail
source "$(dirname "$0")/common.sh"
case ${1:-} in
  "") ;;
  -h | --help) echo "usage: scripts/setup.sh   Installs the Debian packages that building and testing need, when missing."; exit 0 ;;
  *) echo "setup.sh: takes no arguments, not '$*' (--help for more)" >&2; exit 2 ;;
esac
packages=(g++ make cmake pkg-config libxerces-c-dev libcli11-dev libcairo2-dev libfontconfig-dev nlohmann-json3-dev googletest libgtest-dev libgmock-dev strace locales
          clang libfuzzer-14-dev libclang-rt-14-dev)
install_missing "${packages[@]}"
# The configuration tests check that numbers read and write alike under a locale with a
# decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Generating the locale de_DE.UTF-8"
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
