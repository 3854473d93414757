#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the package with its DDS tools
# and shows Features crossing Fast-DDS between separate processes: a Python
# publisher to a C and a C++ subscriber, then C and C++ publishers to a
# Python subscriber. Every subscriber checks every sample; shared memory is
# the only transport, so nothing leaves the machine.
#
#   ./scripts/demo-dds.sh            (build folder: build/default)
#   PELMORA_BUILD_DIR=/tmp/b ./scripts/demo-dds.sh
set -euo pipefail
# shellcheck source=scripts/lib/build.sh
. "$(dirname "$0")/lib/build.sh"
root=$pelmora_root
build=${PELMORA_BUILD_DIR:-$root/build/default}

"$root/scripts/setup-deps.sh"
pelmora_configure "$build" -DPELMORA_BUILD_TOOLS=ON -DPELMORA_BUILD_PYTHON=ON
pelmora_build "$build"

# Samples cycle through four shapes: empty, 1 keypoint, ~100 KB, ~4 MB.
exchange() {
  /usr/bin/python3 "$root/tools/dds/dds_exchange.py" --build "$build" --label demo \
    --count 8 --size 0,1,1666,69905 --timeout 60 "$@"
}

echo
echo "== Features over Fast-DDS (shared memory only), separate processes =="
failed=0
exchange --domain 90 --from py --to c,cpp || failed=$((failed + 1))
exchange --domain 91 --from c --to py || failed=$((failed + 1))
exchange --domain 92 --from cpp --to py || failed=$((failed + 1))
echo
if [ "$failed" -eq 0 ]; then
  echo "DDS demo: 3 of 3 exchanges passed (Python -> C, C++; C -> Python; C++ -> Python)"
else
  echo "DDS demo: $failed of 3 exchanges FAILED"
  exit 1
fi
