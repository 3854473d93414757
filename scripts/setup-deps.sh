#!/usr/bin/env bash
# Installs the Debian packages the package needs.
#
#   scripts/setup-deps.sh          what building, installing and running need
#                                  (the main job: scripts/demo.sh)
#   scripts/setup-deps.sh --test   that, plus the tools only the test suite
#                                  uses (scripts/test.sh)
#
# Idempotent: returns quickly when everything is already installed.
set -euo pipefail

# Building and running: compilers, the ROS 2 runtime pieces Debian ships,
# Fast-CDR, Fast-DDS and Cyclone DDS, Python, ament and colcon for ROS 2
# workspaces, OpenCV and NumPy for the stereo features (ORB in C++, the
# matcher in Python), and what the demo's hosts in network namespaces run
# (ip and mount).
main_packages=(
  cmake g++ make pkg-config git
  librosidl-runtime-c-cpp-dev
  librosidl-typesupport-introspection-c-cpp-dev
  librosidl-typesupport-interface-dev
  librcutils-dev
  libfastcdr-dev
  libfastrtps-dev
  python3 python3-dev
  ament-cmake python3-ament-index
  colcon python3-colcon-ros python3-colcon-cmake python3-colcon-bash
  python3-colcon-library-path python3-colcon-package-selection python3-colcon-output
  libcli11-dev cyclonedds-dev
  libssl-dev
  libopencv-dev python3-numpy
  iproute2 mount
)

# Only the test suite: GoogleTest and Google Benchmark for the test and
# benchmark programs, pytest for the Python tests and OpenCV's Python
# binding for the cv2 conversions, the debug
# interpreter for reference counts, clang and its runtime for the fuzz
# harnesses, valgrind, matplotlib for the benchmark plot, and idlc (an
# independent IDL compiler) for the interface definition, Fast DDS's
# discovery server, a packet capture and a YAML reader for the DDS tool's tests,
# and the openssl command that checks keystore files.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  python3-pytest python3-opencv python3.11-dbg python3-matplotlib
  clang libclang-rt-14-dev valgrind
  cyclonedds-tools
  fastdds-tools util-linux tcpdump python3-yaml
  openssl
)

packages=("${main_packages[@]}")
case "${1:-}" in
  --test) packages+=("${test_packages[@]}") ;;
  "") ;;
  *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
