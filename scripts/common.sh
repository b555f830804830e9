# Shared by the build, test and demo scripts (sourced, not run): configuring and building a
# variant, and running a step with its output in a log and one line on the terminal.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# configure <build-dir> [cmake options...]: ccache compiles when it is installed.
configure() {
  local dir=$1; shift
  local launcher=()
  if command -v ccache >/dev/null 2>&1 && [[ " $* " != *CMAKE_CXX_COMPILER_LAUNCHER* ]]; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
}

# build <build-dir> [targets...]: every target when none is named.
build() {
  local dir=$1; shift
  if [ $# -gt 0 ]; then
    cmake --build "$dir" -j"$(nproc)" --target "$@"
  else
    cmake --build "$dir" -j"$(nproc)"
  fi
}

# step <label> <log> <command...>: runs the command with its output in the log and prints one
# line with the outcome and the time taken (and the number of tests run); on failure also the end of the log. Returns the
# command's status.
step() {
  local label=$1 log=$2; shift 2
  mkdir -p "$(dirname "$log")"
  printf '%s ... ' "$label"
  local start=$SECONDS status=0
  "$@" >"$log" 2>&1 || status=$?
  if [ $status -eq 0 ]; then
    # A test run says how many tests passed.
    local tests
    tests=$(sed -n 's/^.*tests passed, 0 tests failed out of \([0-9]*\).*$/\1 tests, /p' "$log" | tail -n 1)
    echo "ok (${tests}$((SECONDS - start)) s)"
  else
    echo "FAILED after $((SECONDS - start)) s (exit $status); the end of $log:"
    tail -n 40 "$log" | sed 's/^/  | /'
  fi
  return $status
}

# as_root <command...>: runs the command as root (through sudo unless it is root already).
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# install_missing <package...>: installs the Debian packages that are not installed yet.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq "${missing[@]}"
}

# run_simulator <log> <qlcos-sim arguments...>: runs build/release/qlcos-sim in the
# background, its output in <log>, and waits up to 10 s for the pseudo-terminal it listens
# on. Sets simulator_pid and simulator_path; returns 1 (with the log shown) when it did not
# start.
run_simulator() {
  local log=$1; shift
  : >"$log"
  stdbuf -oL "$root/build/release/qlcos-sim" "$@" </dev/null >"$log" 2>&1 &
  simulator_pid=$!
  simulator_path=""
  local waited=0
  while [ -z "$simulator_path" ] && [ $waited -lt 100 ]; do
    simulator_path=$(sed -n 's/^.* simulator on \(\/dev\/[^ ]*\)$/\1/p' "$log")
    [ -n "$simulator_path" ] || { sleep 0.1; waited=$((waited + 1)); }
  done
  if [ -z "$simulator_path" ]; then
    echo "the simulator ($*) did not start; $log:" >&2
    cat "$log" >&2
    return 1
  fi
}
