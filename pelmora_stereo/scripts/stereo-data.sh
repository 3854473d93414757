#!/usr/bin/env bash
# Sourced or run: the Middlebury "motorcycle" stereo pair that Debian's
# python3-skimage ships (motorcycle_left.png, motorcycle_right.png, 741x500,
# and the ground-truth disparity motorcycle_disp.npz), in a cache folder.
#
#   dir=$(pelmora_stereo/scripts/stereo-data.sh)   prints the folder holding the three
#   . pelmora_stereo/scripts/stereo-data.sh && dir=$(pelmora_stereo_data)
#
# The package is downloaded (apt-get download) and unpacked with dpkg-deb,
# not installed: the three files are 2.4 MB, while installing the package
# pulls in its Python dependencies (SciPy, matplotlib, Pillow, NetworkX, ...).
# Needs no root once apt's package lists are there; as root it fetches them
# when they are missing. Idempotent: a filled cache is printed at once.
# The folder is $PELMORA_STEREO_CACHE, else
# ${XDG_CACHE_HOME:-$HOME/.cache}/pelmora/skimage-data.

pelmora_stereo_files=(motorcycle_left.png motorcycle_right.png motorcycle_disp.npz)

# pelmora_stereo_data: fills the cache if needed and prints its folder.
pelmora_stereo_data() (
  set -euo pipefail
  local dir=${PELMORA_STEREO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pelmora/skimage-data}
  if pelmora_stereo_complete "$dir"; then
    echo "$dir"
    return 0
  fi
  local work
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # apt-get download writes into the current folder, which apt's sandbox
  # user cannot write to when root made it (mktemp's 0700): root downloads
  # itself, as apt would after a warning. Output goes to stderr so that
  # stdout carries the folder only.
  local apt=(apt-get -qq)
  [ "$(id -u)" -ne 0 ] || apt+=(-o APT::Sandbox::User=root)
  if ! (cd "$work" && "${apt[@]}" download python3-skimage) >&2; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "stereo-data: apt-get download python3-skimage failed; run 'sudo apt-get update' first" >&2
      return 1
    fi
    "${apt[@]}" update >&2
    (cd "$work" && "${apt[@]}" download python3-skimage) >&2
  fi
  dpkg-deb -x "$work"/python3-skimage_*.deb "$work/root"
  mkdir -p "$work/data"
  local file
  for file in "${pelmora_stereo_files[@]}"; do
    cp "$work/root/usr/lib/python3/dist-packages/skimage/data/$file" "$work/data/"
  done
  dpkg-deb -f "$work"/python3-skimage_*.deb Version > "$work/data/python3-skimage.version"
  # Moved into place whole, so that an interrupted run leaves no half cache;
  # a run beside this one may have filled it meanwhile.
  mkdir -p "$(dirname "$dir")"
  rm -rf "$dir"
  mv -T "$work/data" "$dir" 2> /dev/null || pelmora_stereo_complete "$dir"
  echo "$dir"
)

pelmora_stereo_complete() {
  local file
  for file in "${pelmora_stereo_files[@]}"; do
    [ -s "$1/$file" ] || return 1
  done
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  pelmora_stereo_data
fi
