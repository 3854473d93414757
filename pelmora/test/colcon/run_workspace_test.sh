#!/usr/bin/env bash
# Builds this package and a consumer package of the tests' own in a fresh
# colcon workspace, as a ROS 2 user would, then runs the consumer's C++
# program and, in a shell that sourced install/setup.bash, a Python check.
# Whatever else the machine has installed, neither the consumer's link line
# nor what it and pelmora's libraries load names OpenCV, a DDS
# implementation or OpenSSL: a consumer gets the interface only.
#
# Usage: run_workspace_test.sh <colcon> <pelmora-source-folder> [cmake arguments for both packages...]
set -euo pipefail
colcon=$1
source_root=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Debian's interpreter runs colcon, ament's templates and the setup scripts.
export PATH=/usr/bin:$PATH
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}

# The package and the consumer are found where they are; only the build,
# install and log folders live in the temporary workspace.
if ! (cd "$work" && timeout 540 "$colcon" --log-base "$work/log" build \
    --base-paths "$source_root" "$here/pelmora_consumer" \
    --build-base "$work/build" --install-base "$work/install" \
    --event-handlers console_direct- console_cohesion- \
    --cmake-args -DPython3_EXECUTABLE=/usr/bin/python3 -DBUILD_TESTING=OFF "$@" \
    > "$work/colcon.log" 2>&1); then
  cat "$work/colcon.log"
  find "$work/log" -name 'stdout_stderr.log' -exec tail -n 40 {} +
  exit 1
fi

# colcon built it as an ament_cmake package: only that build type makes the
# package's setup source ament's local_setup scripts.
grep -q '^source;share/pelmora/local_setup.bash$' "$work/install/pelmora/share/pelmora/package.dsv"

# What only other packages may bring: OpenCV, Fast DDS, Cyclone DDS, OpenSSL.
foreign='(lib|-l)(opencv|fastrtps|fastdds|ddsc|ssl|crypto)'
consumer=$work/install/pelmora_consumer/lib/pelmora_consumer/round_trip
link_line=$(cat "$work/build/pelmora_consumer/CMakeFiles/round_trip.dir/link.txt")
if grep -Eio "$foreign" <<< "$link_line"; then
  echo "the consumer's link line names the above: $link_line" >&2
  exit 1
fi
loaded=$(LD_LIBRARY_PATH="$work/install/pelmora/lib" ldd "$consumer" "$work"/install/pelmora/lib/libpelmora*.so)
if grep -Ei "$foreign" <<< "$loaded"; then
  echo "the consumer or pelmora's libraries load the above" >&2
  exit 1
fi

# A new shell, as a user's: only the setup script gives it the environment.
env -i HOME="$HOME" PATH=/usr/bin:/bin bash -c '
  set -eo pipefail  # the setup scripts read unset variables
  source "$1/install/setup.bash"
  "$1/install/pelmora_consumer/lib/pelmora_consumer/round_trip"
  python3 "$2/check_workspace.py" "$1/install/pelmora" "$3/msg"
' workspace "$work" "$here" "$source_root"
