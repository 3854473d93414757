#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test of every package: the
# normal build of the workspace (as ament packages; includes the colcon
# workspace test), the interface and pelmora_cv built without ament_cmake, the
# AddressSanitizer + UndefinedBehaviorSanitizer build, the C and C++ test
# programs of the normal build under valgrind memcheck, and the concurrency
# tests in a ThreadSanitizer build. (Long fuzzing is scripts/fuzz.sh; the
# suite only replays the fuzz corpora.)
set -euo pipefail
# shellcheck source=scripts/lib/build.sh
. "$(dirname "$0")/lib/build.sh"
root=$pelmora_root

"$root/scripts/setup-deps.sh" --test
# Every build runs every test it can hold: a tool that is missing stops
# configure rather than dropping tests (the builds below leave out only what
# they name). The normal build shares its folders with scripts/demo.sh.
all_tests=(-DBUILD_TESTING=ON -DPELMORA_REQUIRE_ALL_TESTS=ON
  -DPELMORA_STEREO_DATA_DIR="$("$root/pelmora_stereo/scripts/stereo-data.sh")")
interface=(--packages-select pelmora_testing pelmora)

# Tests labelled "network" run DDS between processes (over shared memory,
# loopback, or network namespaces they make themselves); they run in the
# normal build. The sanitizer build runs the rest, plus the few network tests
# also labelled "asan-network".
echo "== normal build (as ament packages; includes the colcon workspace test) =="
pelmora_build "$root/build/default" -- "${all_tests[@]}"
pelmora_test "$root/build/default"
echo "== the interface and its conversions as plain CMake packages (ament_cmake ignored) =="
plain=(--packages-up-to pelmora_cv)
pelmora_build "$root/build/plain" "${plain[@]}" -- "${all_tests[@]}" \
  -DCMAKE_DISABLE_FIND_PACKAGE_ament_cmake=ON -DPELMORA_BUILD_BENCHMARKS=OFF
pelmora_test "$root/build/plain" "${plain[@]}"
echo "== sanitizer build (ASan + UBSan) =="
pelmora_build "$root/build/asan" -- "${all_tests[@]}" -DPELMORA_SANITIZE=ON
pelmora_test "$root/build/asan" -- -LE network
pelmora_test "$root/build/asan" -- -L asan-network --no-tests=ignore

echo "== C and C++ test programs under valgrind memcheck =="
for package in pelmora pelmora_cv; do
  "$pelmora_python" "$root/build/default/install/share/pelmora_testing/scripts/run_memcheck.py" \
    "$root/build/default/build/$package" --jobs "$pelmora_jobs"
done
echo "== ThreadSanitizer build (concurrency tests) =="
pelmora_build "$root/build/tsan" "${interface[@]}" -- "${all_tests[@]}" -DPELMORA_TSAN=ON \
  -DPELMORA_BUILD_PYTHON=OFF -DPELMORA_BUILD_BENCHMARKS=OFF
TSAN_OPTIONS=halt_on_error=1 pelmora_test "$root/build/tsan" "${interface[@]}" -- -L concurrency
