#!/usr/bin/env bash
# Checks that a built libQLCosCtrl.so exports its interface and nothing else: every dynamic
# symbol must belong to a class the public headers declare with QLCOS_API (members, virtual
# table, type information, thunks) or be a free function they declare with QLCOS_API.
#
#   scripts/check-exports.sh LIBRARY [INCLUDE-DIR...]   (default: include/ of this tree)
set -euo pipefail
usage="usage: scripts/check-exports.sh LIBRARY [INCLUDE-DIR...]"
if [ $# -ge 1 ] && { [ "$1" = "-h" ] || [ "$1" = "--help" ]; }; then echo "$usage"; exit 0; fi
if [ $# -lt 1 ]; then echo "check-exports: no library given; $usage" >&2; exit 2; fi
root=$(cd "$(dirname "$0")/.." && pwd)
lib=$1; shift
includes=("$@")
[ ${#includes[@]} -gt 0 ] || includes=("$root/include")
if [ ! -f "$lib" ]; then echo "check-exports: no such library: $lib" >&2; exit 2; fi
command -v nm >/dev/null || { echo "check-exports: nm not found (binutils)" >&2; exit 2; }

# What the headers declare for export.
headers=$(find "${includes[@]}" -name '*.h' -print0 | xargs -0 cat)
classes=$(grep -oE '(class|struct) QLCOS_API [A-Za-z_][A-Za-z_0-9]*' <<<"$headers" |
  awk '{print $3}' | sort -u)
functions=$(grep -E 'QLCOS_API' <<<"$headers" | grep -vE '(class|struct) QLCOS_API|define' |
  grep -oE '[A-Za-z_][A-Za-z_0-9]*[[:space:]]*\(' | tr -d '( \t' | sort -u)
[ -n "$classes" ] || { echo "check-exports: no exported class found in ${includes[*]}" >&2; exit 2; }

symbols=$(nm -D --defined-only -C "$lib" | cut -d' ' -f3-)
unexpected=$(awk -v classes="$classes" -v functions="$functions" '
  BEGIN {
    n = split(classes, c, "\n"); for (i = 1; i <= n; ++i) cls[c[i]] = 1
    n = split(functions, f, "\n"); for (i = 1; i <= n; ++i) fn[f[i]] = 1
  }
  {
    s = $0
    # Special symbols of a class: virtual table, type information, thunks.
    sub(/^(vtable for |typeinfo for |typeinfo name for |VTT for |construction vtable for |non-virtual thunk to |virtual thunk to |covariant return thunk to |guard variable for )/, "", s)
    # A return type in front of a template member.
    sub(/^([A-Za-z_0-9]+ )+/, "", s)
    name = s; sub(/[(<].*$/, "", name)       # the qualified name before its parameters
    owner = name; sub(/::.*$/, "", owner)    # the class a member belongs to
    if ((name in fn) || (owner in cls)) next
    print $0
  }' <<<"$symbols")

total=$(wc -l <<<"$symbols")
if [ -n "$unexpected" ]; then
  echo "check-exports: $(wc -l <<<"$unexpected") of $total exported symbols are not interface:" >&2
  sed 's/^/  /' <<<"$unexpected" >&2
  exit 1
fi
echo "check-exports: $total exported symbols, all interface"
