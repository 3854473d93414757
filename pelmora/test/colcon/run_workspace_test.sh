#!/usr/bin/env bash
# Builds this package and a consumer package of the tests' own in a fresh
# colcon workspace, as a ROS 2 user would, then runs the consumer's C++
# programs and, in a shell that sourced install/setup.bash, a Python check.
#
# Usage: run_workspace_test.sh <source-root> with-features-cv|without-features-cv
#          [cmake arguments for both packages...]
# with-features-cv: pelmora builds libpelmora_features_cv here (OpenCV is
# installed), so the consumer must have linked and must run its program.
set -euo pipefail
source_root=$1
features_cv=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Debian's interpreter runs colcon, ament's templates and the setup scripts.
export PATH=/usr/bin:$PATH
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}

# The package and the consumer are found where they are; only the build,
# install and log folders live in the temporary workspace.
if ! (cd "$work" && timeout 540 /usr/bin/colcon --log-base "$work/log" build \
    --base-paths "$source_root" "$here/pelmora_consumer" \
    --build-base "$work/build" --install-base "$work/install" \
    --event-handlers console_direct- console_cohesion- \
    --cmake-args -DPython3_EXECUTABLE=/usr/bin/python3 -DPELMORA_BUILD_TESTS=OFF \
      -DPELMORA_BUILD_BENCHMARKS=OFF -DPELMORA_BUILD_TOOLS=OFF "$@" \
    > "$work/colcon.log" 2>&1); then
  cat "$work/colcon.log"
  find "$work/log" -name 'stdout_stderr.log' -exec tail -n 40 {} +
  exit 1
fi

# colcon built it as an ament_cmake package: only that build type makes the
# package's setup source ament's local_setup scripts.
grep -q '^source;share/pelmora/local_setup.bash$' "$work/install/pelmora/share/pelmora/package.dsv"

# A new shell, as a user's: only the setup script gives it the environment.
env -i HOME="$HOME" PATH=/usr/bin:/bin bash -c '
  set -eo pipefail  # the setup scripts read unset variables
  source "$1/install/setup.bash"
  "$1/install/pelmora_consumer/lib/pelmora_consumer/round_trip"
  if [ "$4" = with-features-cv ]; then
    "$1/install/pelmora_consumer/lib/pelmora_consumer/features_cv_round_trip"
  fi
  python3 "$2/check_workspace.py" "$1/install/pelmora" "$3/msg"
' workspace "$work" "$here" "$source_root" "$features_cv"
