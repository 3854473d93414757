#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: the normal build,
# then the AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/setup-deps.sh"

run_suite() {
  local build_dir=$1; shift
  cmake -S "$root" -B "$build_dir" "$@" > "$build_dir.configure.log" 2>&1 || {
    cat "$build_dir.configure.log"; return 1; }
  cmake --build "$build_dir" -j "$jobs"
  (cd "$build_dir" && ctest --output-on-failure -j "$jobs" --timeout 900)
}

mkdir -p "$root/build"
echo "== normal build =="
run_suite "$root/build/default"
echo "== sanitizer build (ASan + UBSan) =="
run_suite "$root/build/asan" -DPELMORA_SANITIZE=ON
