#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: the normal build
# (as an ament package, with the colcon workspace test), the same without
# ament_cmake, the AddressSanitizer + UndefinedBehaviorSanitizer build, the C
# and C++ test binaries of the normal build under valgrind memcheck, and the
# concurrency tests in a ThreadSanitizer build. (Long fuzzing is scripts/fuzz.sh; the
# suite only replays the fuzz corpora.)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/setup-deps.sh" --test

build() {
  local build_dir=$1; shift
  cmake -S "$root" -B "$build_dir" "$@" > "$build_dir.configure.log" 2>&1 || {
    cat "$build_dir.configure.log"; return 1; }
  cmake --build "$build_dir" -j "$jobs"
}

# Tests labelled "network" run DDS between processes (over shared memory,
# loopback, or network namespaces they make themselves); they run in the
# normal build. The sanitizer build runs the rest, plus the few network tests
# also labelled "asan-network".
mkdir -p "$root/build"
echo "== normal build (as an ament package; includes the colcon workspace test) =="
build "$root/build/default"
(cd "$root/build/default" && ctest --output-on-failure -j "$jobs" --timeout 900)
echo "== plain CMake build (ament_cmake ignored) =="
build "$root/build/plain" -DCMAKE_DISABLE_FIND_PACKAGE_ament_cmake=ON \
  -DPELMORA_BUILD_TOOLS=OFF -DPELMORA_BUILD_BENCHMARKS=OFF
(cd "$root/build/plain" && ctest --output-on-failure -j "$jobs" --timeout 900)
echo "== sanitizer build (ASan + UBSan) =="
build "$root/build/asan" -DPELMORA_SANITIZE=ON
(cd "$root/build/asan" && ctest --output-on-failure -j "$jobs" --timeout 900 -LE network)
(cd "$root/build/asan" && ctest --output-on-failure -j "$jobs" --timeout 900 -L asan-network \
  --no-tests=ignore)

echo "== C and C++ test binaries under valgrind memcheck =="
/usr/bin/python3 "$root/tests/hostile/run_memcheck.py" "$root/build/default" --jobs "$jobs"
echo "== ThreadSanitizer build (concurrency tests) =="
tsan=$root/build/tsan
cmake -S "$root" -B "$tsan" -DPELMORA_TSAN=ON \
  -DPELMORA_BUILD_PYTHON=OFF -DPELMORA_BUILD_TOOLS=OFF -DPELMORA_BUILD_BENCHMARKS=OFF \
  > "$tsan.configure.log" 2>&1 || { cat "$tsan.configure.log"; exit 1; }
cmake --build "$tsan" -j "$jobs" --target pelmora_concurrency_tests
(cd "$tsan" && TSAN_OPTIONS=halt_on_error=1 ctest -L concurrency --output-on-failure -j "$jobs" --timeout 900)
