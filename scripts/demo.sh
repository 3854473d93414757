#!/usr/bin/env bash
# The package's main job on a fresh Debian 12 machine: installs what building
# and running need (scripts/setup-deps.sh, no test tools), builds the package
# and its DDS tools without the tests, benchmarks and fuzz harnesses, and
# moves Features over Fast-DDS between C, C++ and Python peers in separate
# processes (scripts/demo-dds.sh). Ends with the time each step took.
#
#   ./scripts/demo.sh                (build folder: build/default)
#   PELMORA_BUILD_DIR=/tmp/b ./scripts/demo.sh
set -euo pipefail
# shellcheck source=scripts/lib/build.sh
. "$(dirname "$0")/lib/build.sh"
root=$pelmora_root
build=${PELMORA_BUILD_DIR:-$root/build/default}

started=$SECONDS
"$root/scripts/setup-deps.sh"
set_up=$((SECONDS - started))

started=$SECONDS
pelmora_configure "$build" -DPELMORA_BUILD_TOOLS=ON -DPELMORA_BUILD_PYTHON=ON \
  -DPELMORA_BUILD_TESTS=OFF -DPELMORA_BUILD_BENCHMARKS=OFF -DPELMORA_BUILD_FUZZERS=OFF
pelmora_build "$build"
built=$((SECONDS - started))

started=$SECONDS
"$root/scripts/demo-dds.sh" "$build"
ran=$((SECONDS - started))

echo "demo: set-up ${set_up} s, build ${built} s, run ${ran} s"
