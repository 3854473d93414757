#!/usr/bin/env bash
# Installs pelmora_cv's build into a fresh prefix and builds the consumer
# package beside it with colcon, as a ROS 2 user would, then runs the
# consumer's program.
#
# Usage: run_consumer_test.sh <pelmora_cv build folder> <consumer source> <pelmora prefix>
set -euo pipefail
build=$1
consumer=$2
pelmora_prefix=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Debian's interpreter runs colcon and ament's templates.
export PATH=/usr/bin:$PATH
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}

cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
if ! (cd "$work" && timeout 240 /usr/bin/colcon --log-base "$work/log" build \
    --base-paths "$consumer" --build-base "$work/build" --install-base "$work/install" \
    --event-handlers console_direct- console_cohesion- \
    --cmake-args "-DCMAKE_PREFIX_PATH=$work/prefix;$pelmora_prefix" \
    > "$work/colcon.log" 2>&1); then
  cat "$work/colcon.log"
  find "$work/log" -name 'stdout_stderr.log' -exec tail -n 40 {} +
  exit 1
fi

# The program as built: its run path names the fresh prefix's library.
"$work/build/pelmora_cv_consumer/features_cv_round_trip"
