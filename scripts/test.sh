#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: the normal build
# (as an ament package, with the colcon workspace test), the same without
# ament_cmake, the AddressSanitizer + UndefinedBehaviorSanitizer build, the C
# and C++ test binaries of the normal build under valgrind memcheck, and the
# concurrency tests in a ThreadSanitizer build. (Long fuzzing is scripts/fuzz.sh; the
# suite only replays the fuzz corpora.)
set -euo pipefail
# shellcheck source=scripts/lib/build.sh
. "$(dirname "$0")/lib/build.sh"
# shellcheck source=scripts/lib/stereo-data.sh
. "$(dirname "$0")/lib/stereo-data.sh"
root=$pelmora_root
jobs=$pelmora_jobs

"$root/scripts/setup-deps.sh" --test
# Every build runs every test it can hold: a tool that is missing stops
# configure rather than dropping tests (the builds below leave out only what
# they name). The normal build shares its folder with scripts/demo.sh, whose
# settings the cache would otherwise keep.
all_tests=(-DPELMORA_BUILD_TESTS=ON -DPELMORA_REQUIRE_ALL_TESTS=ON
  -DPELMORA_STEREO_DATA_DIR="$(pelmora_stereo_data)")

# Tests labelled "network" run DDS between processes (over shared memory,
# loopback, or network namespaces they make themselves); they run in the
# normal build. The sanitizer build runs the rest, plus the few network tests
# also labelled "asan-network".
echo "== normal build (as an ament package; includes the colcon workspace test) =="
pelmora_configure "$root/build/default" "${all_tests[@]}" \
  -DPELMORA_BUILD_TOOLS=ON -DPELMORA_BUILD_BENCHMARKS=ON
pelmora_build "$root/build/default"
(cd "$root/build/default" && ctest --output-on-failure -j "$jobs" --timeout 900)
echo "== plain CMake build (ament_cmake ignored) =="
pelmora_configure "$root/build/plain" "${all_tests[@]}" -DCMAKE_DISABLE_FIND_PACKAGE_ament_cmake=ON \
  -DPELMORA_BUILD_TOOLS=OFF -DPELMORA_BUILD_BENCHMARKS=OFF
pelmora_build "$root/build/plain"
(cd "$root/build/plain" && ctest --output-on-failure -j "$jobs" --timeout 900)
echo "== sanitizer build (ASan + UBSan) =="
pelmora_configure "$root/build/asan" "${all_tests[@]}" -DPELMORA_SANITIZE=ON
pelmora_build "$root/build/asan"
(cd "$root/build/asan" && ctest --output-on-failure -j "$jobs" --timeout 900 -LE network)
(cd "$root/build/asan" && ctest --output-on-failure -j "$jobs" --timeout 900 -L asan-network \
  --no-tests=ignore)

echo "== C and C++ test binaries under valgrind memcheck =="
/usr/bin/python3 "$root/tests/hostile/run_memcheck.py" "$root/build/default" --jobs "$jobs"
echo "== ThreadSanitizer build (concurrency tests) =="
tsan=$root/build/tsan
pelmora_configure "$tsan" "${all_tests[@]}" -DPELMORA_TSAN=ON \
  -DPELMORA_BUILD_PYTHON=OFF -DPELMORA_BUILD_TOOLS=OFF -DPELMORA_BUILD_BENCHMARKS=OFF
pelmora_build "$tsan" --target pelmora_concurrency_tests
(cd "$tsan" && TSAN_OPTIONS=halt_on_error=1 ctest -L concurrency --output-on-failure -j "$jobs" --timeout 900)
