# Shared by the Windows build and test scripts (sourced, not run): the Debian packages they
# need, the cross-built dependencies (Xerces-C from its Debian source package, GoogleTest from
# the sources Debian installs), cached per version under ${XDG_CACHE_HOME:-~/.cache}/qlcos/.

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

mingw_triple=x86_64-w64-mingw32
toolchain=$root/cmake/mingw-w64-x86_64.cmake
cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/qlcos

# parse_arguments <script name> <accepts --tests: 0 or 1> <arguments...>: sets build_dir
# (default build/windows) and tests (ON with --tests); --help calls the script's usage.
parse_arguments() {
  local name=$1 accepts_tests=$2 arg
  shift 2
  tests=OFF
  build_dir=
  for arg in "$@"; do
    case $arg in
      --tests) [ "$accepts_tests" = 1 ] || { echo "$name: unknown option '$arg' (--help for more)" >&2; exit 2; }
        tests=ON ;;
      -h | --help) usage; exit 0 ;;
      -*) echo "$name: unknown option '$arg' (--help for more)" >&2; exit 2 ;;
      *)
        if [ -n "$build_dir" ]; then
          echo "$name: one build folder only, not '$arg' too (--help for more)" >&2
          exit 2
        fi
        build_dir=$arg ;;
    esac
  done
  build_dir=${build_dir:-$root/build/windows}
}

# The configured Debian (or Ubuntu) release's archive as one deb822 source stanza of type
# deb-src: the first configured entry whose suite is the release's code name.
release_source_stanza() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 1
  local files=() file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && files+=("$file")
  done
  [ ${#files[@]} -gt 0 ] || return 1
  awk -v release="$codename" '
    function flush() {
      if (!done && types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " release " ") && uris != "") {
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", uris, release, comps
        if (signed != "") printf "Signed-By: %s\n", signed
        done = 1
      }
      types = uris = suites = comps = signed = ""
    }
    FNR == 1 { flush() }
    FILENAME ~ /\.sources$/ {
      if ($0 ~ /^[ \t]*$/) { flush(); next }
      if ($1 == "Types:") { $1 = ""; types = substr($0, 2) }
      else if ($1 == "URIs:") uris = $2
      else if ($1 == "Suites:") { $1 = ""; suites = substr($0, 2) }
      else if ($1 == "Components:") { $1 = ""; comps = substr($0, 2) }
      else if ($1 == "Signed-By:") signed = $2
      next
    }
    FILENAME !~ /\.sources$/ && $1 == "deb" && !done {
      i = 2
      if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
      if ($(i + 1) == release) {
        comps = ""; for (j = i + 2; j <= NF; j++) comps = comps (comps == "" ? "" : " ") $j
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", $i, release, comps
        done = 1
      }
    }
    END { flush() }
  ' "${files[@]}"
}

# Adds a deb-src entry for the configured release when no source entry is configured at all.
ensure_source_entries() {
  if grep -sqE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' \
       /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
    return 0
  fi
  local stanza
  stanza=$(release_source_stanza) || true
  if [ -z "$stanza" ]; then
    echo "no configured archive for this release found to add a deb-src entry for" >&2
    return 1
  fi
  echo "Adding a deb-src entry for the configured release"
  printf '%s\n' "$stanza" | as_root tee /etc/apt/sources.list.d/qlcos-deb-src.sources >/dev/null
  as_root apt-get update -qq
}

# The version Debian builds Xerces-C from (its source package version).
xerces_version() {
  apt-cache showsrc xerces-c 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1
}

compiler_version() {
  "$mingw_triple-g++-posix" -dumpfullversion
}

# build_xerces <prefix>: Xerces-C from Debian's source package, as a DLL, XMLCh char16_t as
# on Linux, Windows' own transcoder and no network access.
build_xerces() {
  local prefix=$1 work source
  work=$(mktemp -d)
  chmod 755 "$work" # apt's download user writes there
  (cd "$work" && apt-get source -qq xerces-c) &&
    source=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'xerces-c-*' -print -quit) &&
    cmake -S "$source" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
      -Dnetwork=OFF -Dtranscoder=windows -Dmessage-loader=inmemory -Dxmlch-type=char16_t \
      -Dmutex-manager=standard &&
    cmake --build "$work/build" -j"$(nproc)" --target xerces-c &&
    cmake --install "$work/build/src" # the library and its headers, not the samples and docs
  local status=$?
  rm -rf "$work"
  return $status
}

# build_googletest <prefix>: GoogleTest and GoogleMock, static, from /usr/src/googletest.
# (The builders chain their steps: they run on the left of ||, where set -e does not act.)
build_googletest() {
  local prefix=$1 work
  work=$(mktemp -d)
  cmake -S /usr/src/googletest -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" &&
    cmake --build "$work" -j"$(nproc)" &&
    cmake --install "$work"
  local status=$?
  rm -rf "$work"
  return $status
}

# cached <name> <key> <builder>: the prefix of a dependency built once per key; a prefix is
# only used when its build completed (the marker file is written last).
cached() {
  local name=$1 key=$2 builder=$3
  local prefix=$cache_root/$name-$key-$mingw_triple
  if [ ! -f "$prefix/.complete" ]; then
    rm -rf "$prefix"
    mkdir -p "$prefix"
    "$builder" "$prefix" >"$cache_root/$name-$key.log" 2>&1 || {
      echo "building $name $key failed; the end of $cache_root/$name-$key.log:" >&2
      tail -n 40 "$cache_root/$name-$key.log" >&2
      return 1
    }
    touch "$prefix/.complete"
  fi
  echo "$prefix"
}
