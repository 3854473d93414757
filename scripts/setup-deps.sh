#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
# Idempotent: returns quickly when everything is already installed.
set -euo pipefail

packages=(
  cmake g++ make pkg-config git
  librosidl-runtime-c-cpp-dev
  librosidl-typesupport-introspection-c-cpp-dev
  librosidl-typesupport-interface-dev
  librcutils-dev
  libfastcdr-dev
  libfastrtps-dev
  libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-dev python3-pytest python3.11-dbg python3-numpy python3-matplotlib
  clang libclang-rt-14-dev valgrind
  fastdds-tools iproute2 util-linux tcpdump python3-yaml
)

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
