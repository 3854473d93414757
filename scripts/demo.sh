#!/usr/bin/env bash
# The workspace's main job on a fresh Debian 12 machine: installs what
# building and running its packages need (scripts/setup-deps.sh, no test
# tools) and the stereo pair of Debian's python3-skimage, builds every
# package with colcon into one prefix (with the tests that need no test
# tool, as colcon builds by default: the ROS-node stand-in that the DDS demo
# talks to is one), moves ORB features
# of the real pair from C++ to a Python matcher that scores them on the
# ground truth (pelmora_stereo), then moves Features over Fast-DDS between C,
# C++ and Python peers in separate processes (scripts/demo-dds.sh). Ends with
# the time each step took.
#
#   ./scripts/demo.sh                (workspace folders under build/default)
#   PELMORA_BUILD_DIR=/tmp/b ./scripts/demo.sh
set -euo pipefail
# shellcheck source=scripts/lib/build.sh
. "$(dirname "$0")/lib/build.sh"
root=$pelmora_root
build=${PELMORA_BUILD_DIR:-$root/build/default}

started=$SECONDS
"$root/scripts/setup-deps.sh"
stereo_data=$("$root/pelmora_stereo/scripts/stereo-data.sh")
set_up=$((SECONDS - started))

started=$SECONDS
pelmora_build "$build" -- -DPELMORA_STEREO_DATA_DIR="$stereo_data"
built=$((SECONDS - started))

started=$SECONDS
echo
echo "== Real features: ORB on a stereo pair, C++ to Python over shared memory =="
PELMORA_STEREO_DATA_DIR=$stereo_data "$root/pelmora_stereo/scripts/demo-stereo.sh" "$build/install"
echo
"$root/scripts/demo-dds.sh" "$build"
ran=$((SECONDS - started))

echo "demo: set-up ${set_up} s, build ${built} s, run ${ran} s"
