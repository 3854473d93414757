#!/usr/bin/env bash
# Real features over DDS: pelmora-stereo-extract runs OpenCV ORB on the
# motorcycle pair and publishes both images' keypoints in one Features
# message on /stereo/features; pelmora-stereo-match receives it, matches the
# keypoints along the rows and scores the disparities against the pair's
# ground truth, writing the picture of the matches. Shared memory only, in a
# DDS domain of its own, so nothing leaves the machine.
#
#   PELMORA_STEREO_DATA_DIR=DIR pelmora_stereo/scripts/demo-stereo.sh PREFIX
#
# PREFIX holds both programs in PREFIX/bin: a colcon install prefix
# (--merge-install), or pelmora_stereo's build folder. DIR holds the pair
# (pelmora_stereo/scripts/stereo-data.sh prints one). PELMORA_STEREO_DOMAIN
# (default 93) and PELMORA_STEREO_OUTPUT (default PREFIX/stereo-matches.png)
# change the domain and the picture.
# Exit status: 0 both programs succeeded (at least 70 % of the matches
# within 3 px), 1 either failed, 77 no pair or no programs (said why), 64
# usage.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: PELMORA_STEREO_DATA_DIR=DIR $0 PREFIX" >&2
  exit 64
fi
prefix=$(cd "$1" && pwd)
data=${PELMORA_STEREO_DATA_DIR:-}
domain=${PELMORA_STEREO_DOMAIN:-93}
output=${PELMORA_STEREO_OUTPUT:-$prefix/stereo-matches.png}
extract=$prefix/bin/pelmora-stereo-extract
match=$prefix/bin/pelmora-stereo-match

if [ -z "$data" ]; then
  echo "stereo demo: skipped: no stereo pair: set PELMORA_STEREO_DATA_DIR" \
    "(\$(pelmora_stereo/scripts/stereo-data.sh) prints one)" >&2
  exit 77
fi
for program in "$extract" "$match"; do
  if [ ! -x "$program" ]; then
    echo "stereo demo: skipped: $program is not there (colcon build --packages-up-to pelmora_stereo)" >&2
    exit 77
  fi
done

match_pid=
cleanup() {
  if [ -n "$match_pid" ]; then kill "$match_pid" 2> /dev/null || true; fi
}
trap cleanup EXIT

# Each program gives up by its own --timeout; `timeout` bounds them if a
# program hangs regardless.
endpoint=(--transport shm --domain "$domain" --timeout 90)
timeout 120 "$match" "${endpoint[@]}" --left "$data/motorcycle_left.png" \
  --right "$data/motorcycle_right.png" --disparity "$data/motorcycle_disp.npz" --output "$output" &
match_pid=$!
extract_status=0
timeout 120 "$extract" "${endpoint[@]}" --left "$data/motorcycle_left.png" \
  --right "$data/motorcycle_right.png" || extract_status=$?
match_status=0
wait "$match_pid" || match_status=$?
match_pid=

if [ "$extract_status" -ne 0 ] || [ "$match_status" -ne 0 ]; then
  echo "stereo demo: FAILED (pelmora-stereo-extract exit $extract_status, pelmora-stereo-match exit $match_status)" >&2
  exit 1
fi
echo "stereo demo: passed; the matches are drawn in $output"
