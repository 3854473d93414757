#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs what landed in its bin/:
# pelmora-dds --help, then the installed Python peer receiving from the
# installed tool over shared memory, nothing taken from the build folder.
# pelmora itself comes from its own prefix, through LD_LIBRARY_PATH and
# PYTHONPATH, as in a workspace installed package by package; the scratch
# prefix comes first, in case pelmora's prefix holds a libpelmora_dds too.
set -euo pipefail
build=$1
domain=$2
prefix=$(mktemp -d)
echo_pid=
cleanup() {
  if [ -n "$echo_pid" ]; then kill "$echo_pid" 2> /dev/null || true; fi
  rm -rf "$prefix"
}
trap cleanup EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
export LD_LIBRARY_PATH=$prefix/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
"$prefix/bin/pelmora-dds" pub --help > /dev/null
"$prefix/bin/pelmora-dds-py" --help > /dev/null
/usr/bin/python3 -c 'import pelmora.msg' || { echo "pelmora's Python package is not on PYTHONPATH"; exit 1; }

topic=/installed_$$
endpoint=(--transport shm --domain "$domain" --topic "$topic" --timeout 30)
timeout 60 "$prefix/bin/pelmora-dds-py" echo "${endpoint[@]}" --count 2 --verify-seed 4 &
echo_pid=$!
timeout 60 "$prefix/bin/pelmora-dds" pub "${endpoint[@]}" --count 2 --size 0,100 --seed 4
wait "$echo_pid"
echo_pid=
