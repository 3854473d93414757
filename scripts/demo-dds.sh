#!/usr/bin/env bash
# Shows Features crossing Fast-DDS between separate processes: a Python
# publisher to a C and a C++ subscriber, then C and C++ publishers to a
# Python subscriber. Every subscriber checks every sample; shared memory is
# the only transport, so nothing leaves the machine. Then the same between
# two hosts over UDP: two network namespaces made for the demo, joined by a
# veth pair with no route out (skipped, with the reason, where the machine
# cannot make namespaces).
#
#   ./scripts/demo-dds.sh BUILD      (BUILD: a build folder with the DDS
#                                     tools, as scripts/demo.sh makes it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ "$#" -eq 1 ] || { echo "usage: $0 BUILD" >&2; exit 2; }
build=$(cd "$1" && pwd)
# The harness (namespaces, hosts, peers) is found on PYTHONPATH.
export PYTHONPATH=$root/tools/harness${PYTHONPATH:+:$PYTHONPATH} PYTHONDONTWRITEBYTECODE=1

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
echo "== Features between two hosts over UDP (network namespaces) =="
across() {
  /usr/bin/python3 "$root/tests/netns/dds_across_hosts.py" --build "$build" --timeout 60 "$@"
}
hosts=passed
for case in "--case multicast --from py --to c,cpp" "--case peers --from c --to py" \
            "--case multicast --from standin --to cpp"; do
  # shellcheck disable=SC2086
  status=0; across $case || status=$?
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
