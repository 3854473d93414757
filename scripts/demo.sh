#!/usr/bin/env bash
# The package's main job on a fresh Debian 12 machine: installs what building
# and running need (scripts/setup-deps.sh, no test tools) and the stereo pair
# of Debian's python3-skimage (scripts/lib/stereo-data.sh), builds the
# package and its tools without the tests, benchmarks and fuzz harnesses,
# moves ORB features of the real pair from C++ to a Python matcher that
# scores them on the ground truth (scripts/demo-stereo.sh), then moves
# Features over Fast-DDS between C, C++ and Python peers in separate
# processes (scripts/demo-dds.sh). Ends with the time each step took.
#
#   ./scripts/demo.sh                (build folder: build/default)
#   PELMORA_BUILD_DIR=/tmp/b ./scripts/demo.sh
set -euo pipefail
# shellcheck source=scripts/lib/build.sh
. "$(dirname "$0")/lib/build.sh"
# shellcheck source=scripts/lib/stereo-data.sh
. "$(dirname "$0")/lib/stereo-data.sh"
root=$pelmora_root
build=${PELMORA_BUILD_DIR:-$root/build/default}

started=$SECONDS
"$root/scripts/setup-deps.sh"
stereo_data=$(pelmora_stereo_data)
set_up=$((SECONDS - started))

started=$SECONDS
pelmora_configure "$build" -DPELMORA_BUILD_TOOLS=ON -DPELMORA_BUILD_PYTHON=ON \
  -DPELMORA_BUILD_TESTS=OFF -DPELMORA_BUILD_BENCHMARKS=OFF -DPELMORA_BUILD_FUZZERS=OFF \
  -DPELMORA_STEREO_DATA_DIR="$stereo_data"
pelmora_build "$build"
built=$((SECONDS - started))

started=$SECONDS
echo
echo "== Real features: ORB on a stereo pair, C++ to Python over shared memory =="
"$root/scripts/demo-stereo.sh" "$build"
echo
"$root/scripts/demo-dds.sh" "$build"
ran=$((SECONDS - started))

echo "demo: set-up ${set_up} s, build ${built} s, run ${ran} s"
