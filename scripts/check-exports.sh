#!/usr/bin/env bash
# Checks that a built libQLCosCtrl.so (or QLCosCtrl.dll) exports its interface and nothing
# else: every dynamic symbol (every name in the DLL's export table) must belong to a class the
# public headers declare with QLCOS_API (members, virtual table, type information, thunks) or
# be a free function they declare with QLCOS_API.
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
case $lib in
  *.dll | *.DLL)
    # The export table as objdump -p lists it: "[ordinal] name" lines after its heading.
    objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
    cxxfilt=${CXXFILT:-x86_64-w64-mingw32-c++filt}
    command -v "$objdump" >/dev/null || { echo "check-exports: $objdump not found" >&2; exit 2; }
    list_symbols() {
      "$objdump" -p "$lib" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | "$cxxfilt"
    } ;;
  *)
    command -v nm >/dev/null || { echo "check-exports: nm not found (binutils)" >&2; exit 2; }
    list_symbols() { nm -D --defined-only -C "$lib" | cut -d' ' -f3-; } ;;
esac

# What the headers declare for export.
headers=$(find "${includes[@]}" -name '*.h' -print0 | xargs -0 cat)
classes=$(grep -oE '(class|struct) QLCOS_API [A-Za-z_][A-Za-z_0-9]*' <<<"$headers" |
  awk '{print $3}' | sort -u)
functions=$(grep -E 'QLCOS_API' <<<"$headers" | grep -vE '(class|struct) QLCOS_API|define' |
  grep -oE '[A-Za-z_][A-Za-z_0-9]*[[:space:]]*\(' | tr -d '( \t' | sort -u)
[ -n "$classes" ] || { echo "check-exports: no exported class found in ${includes[*]}" >&2; exit 2; }

symbols=$(list_symbols)
[ -n "$symbols" ] || { echo "check-exports: $lib exports nothing" >&2; exit 1; }
pe=0
case $lib in *.dll | *.DLL) pe=1 ;; esac
unexpected=$(awk -v pe=$pe -v classes="$classes" -v functions="$functions" '
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
    # MinGW GCC exports the type information of a dllimport class that the code catches
    # (Xerces-C exceptions): it names the same type as Xerces-C'"'"'s own.
    if (pe && $0 ~ /^typeinfo for xercesc_[0-9_]+::[A-Za-z]*Exception$/) next
    print $0
  }' <<<"$symbols")

total=$(wc -l <<<"$symbols")
if [ -n "$unexpected" ]; then
  echo "check-exports: $(wc -l <<<"$unexpected") of $total exported symbols are not interface:" >&2
  sed 's/^/  /' <<<"$unexpected" >&2
  exit 1
fi
echo "check-exports: $total exported symbols, all interface"
