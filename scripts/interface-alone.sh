#!/usr/bin/env bash
# The interface package as a ROS 2 user takes it alone: installs only what
# pelmora's package.xml names (scripts/setup-deps.sh pelmora), builds it with
# `colcon build --packages-select pelmora` and no further argument, then
# builds a consumer package against the installed prefix, runs it and its
# Python check, and checks with ldd that neither the consumer nor pelmora's
# libraries and modules load OpenCV, Fast DDS or OpenSSL. CI runs it in a
# fresh root of its own (scripts/fresh-machine.sh ./scripts/interface-alone.sh).
#
#   ./scripts/interface-alone.sh        (workspace folder: build/interface-alone)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${PELMORA_ALONE_DIR:-$root/build/interface-alone}
consumer=$root/pelmora/test/colcon/pelmora_consumer
export PATH=/usr/bin:$PATH

started=$SECONDS
# pelmora's dependencies, and the consumer's own (it reads the ament index
# with ament_index_python, as ROS 2 tools do).
"$root/scripts/setup-deps.sh" pelmora "$consumer"
set_up=$((SECONDS - started))

# A workspace of the user's own: pelmora's folder in src/, built with the
# plain command.
started=$SECONDS
rm -rf "$work"
mkdir -p "$work/src"
ln -s "$root/pelmora" "$work/src/pelmora"
(cd "$work" && colcon build --packages-select pelmora)
built=$((SECONDS - started))

# The consumer in a second workspace over the first, as an overlay.
started=$SECONDS
mkdir -p "$work/overlay/src"
cp -r "$consumer" "$work/overlay/src/"
(
  set +u  # the setup scripts read unset variables
  # shellcheck disable=SC1091
  . "$work/install/setup.bash"
  cd "$work/overlay"
  colcon build
  # shellcheck disable=SC1091
  . install/setup.bash
  install/pelmora_consumer/lib/pelmora_consumer/round_trip
  python3 "$root/pelmora/test/colcon/check_workspace.py" "$work/install/pelmora" "$root/pelmora/msg"
)

# What the loader brings in: nothing of OpenCV, Fast DDS or OpenSSL.
forbidden='libopencv|libfastrtps|libfastdds|libssl|libcrypto|libddsc'
status=0
checked=0
while IFS= read -r -d '' file; do
  checked=$((checked + 1))
  if ldd "$file" | grep -E "$forbidden"; then
    echo "interface alone: $file loads the above" >&2
    status=1
  fi
done < <(find "$work/install" "$work/overlay/install" -type f \( -name '*.so' -o -name 'round_trip' \) -print0)
ran=$((SECONDS - started))
[ "$checked" -gt 0 ] || { echo "interface alone: nothing installed to check" >&2; status=1; }
[ "$status" -ne 0 ] || echo "interface alone: none of $checked libraries, modules and programs loads OpenCV, Fast DDS or OpenSSL"
echo "interface alone: set-up ${set_up} s, build ${built} s, consumer ${ran} s"
exit "$status"
