#!/usr/bin/env bash
# Shows Features crossing Fast-DDS between separate processes: a Python
# publisher to a C and a C++ subscriber, then C and C++ publishers to a
# Python subscriber. Every subscriber checks every sample; shared memory is
# the only transport, so nothing leaves the machine. Then the same between
# two hosts over UDP: two network namespaces made for the demo, joined by a
# veth pair with no route out (skipped, with the reason, where the machine
# cannot make namespaces).
#
#   ./scripts/demo-dds.sh VARIANT    (VARIANT: a workspace build folder as
#                                     scripts/demo.sh makes it, holding
#                                     colcon's build/ and install/)
set -euo pipefail
[ "$#" -eq 1 ] || { echo "usage: $0 VARIANT" >&2; exit 2; }
variant=$(cd "$1" && pwd)
# The peers are pelmora_dds's programs (pelmora-dds, pelmora-dds-py and the
# ROS-node stand-in, which pelmora_dds builds with its tests) in its build
# folder; the harness (namespaces, hosts, peers, the exchange judge) is
# pelmora_testing's, installed in the prefix.
build=$variant/build/pelmora_dds
export PYTHONPATH=$variant/install/share/pelmora_testing/python${PYTHONPATH:+:$PYTHONPATH} \
  PYTHONDONTWRITEBYTECODE=1
exchange() {
  /usr/bin/python3 -m pelmora_harness.exchange --build "$build" --label demo --timeout 60 "$@"
}

echo
echo "== Features over Fast-DDS (shared memory only), separate processes =="
# Samples cycle through four shapes: empty, 1 keypoint, ~100 KB, ~4 MB.
failed=0
for case in "--domain 90 --from py --to c,cpp" "--domain 91 --from c --to py" \
            "--domain 92 --from cpp --to py"; do
  # shellcheck disable=SC2086
  exchange --where shm --count 8 --size 0,1,1666,69905 $case || failed=$((failed + 1))
done

echo
echo "== Features between two hosts over UDP (network namespaces) =="
# Empty, 1 keypoint, ~1 MB and ~4 MB.
hosts=passed
for case in "--where multicast --from py --to c,cpp" "--where peers --from c --to py" \
            "--where multicast --from standin --to cpp"; do
  # shellcheck disable=SC2086
  status=0; exchange $case || status=$?
  if [ "$status" -eq 77 ]; then hosts=skipped; break; fi
  if [ "$status" -ne 0 ]; then failed=$((failed + 1)); fi
done
echo
if [ "$failed" -eq 0 ]; then
  echo "DDS demo: shared memory: 3 of 3 exchanges passed (Python -> C, C++; C -> Python; C++ -> Python)"
  if [ "$hosts" = skipped ]; then
    echo "DDS demo: two hosts over UDP: SKIPPED, this machine cannot make network namespaces (see above)"
  else
    echo "DDS demo: two hosts over UDP: 3 of 3 passed (default transports; unicast peers; ROS-node stand-in)"
  fi
else
  echo "DDS demo: $failed exchange(s) FAILED"
  exit 1
fi
