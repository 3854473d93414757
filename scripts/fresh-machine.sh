#!/usr/bin/env bash
# Runs commands as a newcomer would, on a fresh Debian 12 machine: a new
# minbase root made with mmdebstrap from the Debian archive this machine's
# apt already uses, holding a clone of the current commit and nothing else.
#
#   scripts/fresh-machine.sh                    the README's two commands:
#                                               ./scripts/demo.sh, then ./scripts/test.sh
#   scripts/fresh-machine.sh CMD [CMD...]       each CMD (a shell command line)
#                                               in turn, in the clone
#
# Needs root. Inside the root the commands see /proc, /sys, /dev, /dev/pts, a
# /dev/shm of their own, and a root that is a mount point of its own, so that
# `ip netns` can make namespaces there; PELMORA_REQUIRE_NETNS=1 tells the
# tests that namespaces must work. Uncommitted changes are not taken: what
# runs is what a clone of HEAD holds. Every mount is undone and the root
# removed on every exit path, interruption included. Prints the time and
# installed size of each stage.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)
if [ "$#" -eq 0 ]; then
  set -- ./scripts/demo.sh ./scripts/test.sh
fi
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine.sh: needs root" >&2; exit 2; }

# Debian's own archive entries among this machine's apt sources, as apt
# resolved them: "deb URI SUITE COMPONENT" for every bookworm suite of
# origin Debian.
debian_sources() {
  apt-cache policy | awk '
    $1 ~ /^[0-9]+$/ && $2 ~ /:\/\// { uri = $2; split($3, sc, "/"); next }
    /release / && /o=Debian,/ && sc[1] ~ /^bookworm(-[a-z]+)?$/ && uri != "" {
      print "deb " uri " " sc[1] " " sc[2]; uri = "" }' | sort -u
}

sources=$(debian_sources)
[ -n "$sources" ] || { echo "fresh-machine.sh: apt names no Debian bookworm archive" >&2; exit 2; }
command -v mmdebstrap > /dev/null || {
  echo "installing mmdebstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap
}

root=$(mktemp -d /var/tmp/pelmora-fresh.XXXXXX)
stage_session=

# Processes whose root is the new root, killed before its mounts go.
kill_inside() {
  local pid
  for pid in /proc/[0-9]*; do
    [ "$(readlink "$pid/root" 2>/dev/null)" = "$root" ] && kill -KILL "${pid#/proc/}" 2>/dev/null
  done
  return 0
}

cleanup() {
  trap - EXIT INT TERM HUP
  if [ -n "$stage_session" ]; then
    kill -KILL -- "-$stage_session" 2>/dev/null || true
    wait "$stage_session" 2>/dev/null || true
  fi
  kill_inside
  # Everything mounted below the root goes, deepest first: the binds, the
  # namespaces made inside and what an interrupted mmdebstrap left. The tree
  # is removed only once nothing is mounted below it, so that no host folder
  # can be reached by rm.
  local target
  for target in $(findmnt -rn -o TARGET | grep "^$root" | sort -r); do
    umount "$target" 2>/dev/null || umount -l "$target" 2>/dev/null || true
  done
  if findmnt -rn -o TARGET | grep -q "^$root"; then
    echo "fresh-machine.sh: mounts left below $root; not removing it" >&2
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Runs a command in a session of its own and waits for it: bash runs a trap
# only once a foreground command has ended, while `wait` gives way to it at
# once, so that an interruption cleans up without waiting for the stage;
# cleanup ends the whole session (mmdebstrap's apt and dpkg included).
interruptible() {
  setsid "$@" <&0 &
  stage_session=$!
  wait "$stage_session"
}

stage_started=0
stage() {
  stage_started=$SECONDS
  echo "== fresh machine: $* =="
}
# Prints the stage's time, the packages installed in the root so far and
# the size of the whole root (packages, clone and build folders).
stage_done() {
  local used packages
  used=$(du -sh --one-file-system "$root" 2>/dev/null | cut -f1)
  packages=$(chroot "$root" dpkg-query -W -f '${db:Status-Abbrev} ${Installed-Size}\n' |
    awk '$1 == "ii" { n++; kib += $2 } END { printf "%d packages, %d MiB", n, kib / 1024 }')
  echo "== fresh machine: $1 took $((SECONDS - stage_started)) s; installed: $packages; root: $used =="
}

stage "mmdebstrap --variant=minbase bookworm"
echo "$sources"
interruptible mmdebstrap --quiet --variant=minbase bookworm "$root" - <<< "$sources"
stage_done "making the root"

stage "clone of $commit"
git clone --quiet --no-local "$repo" "$root/root/pelmora"
git -C "$root/root/pelmora" checkout --quiet --detach "$commit"
cp /etc/resolv.conf "$root/etc/resolv.conf"
stage_done "cloning"

# The root is bound on itself first, so that inside it "/" is a mount point
# (ip netns exec makes it a slave mount) and everything below goes with one
# unmount. Every bind of a host folder is made a slave, so that nothing
# mounted inside reaches the host.
mount --bind "$root" "$root"
mount --make-rprivate "$root"
mount -t proc proc "$root/proc"
for folder in /sys /dev /dev/pts; do
  mount --bind "$folder" "$root$folder"
  mount --make-rslave "$root$folder"
done
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"

failed=0
for command in "$@"; do
  stage "$command"
  status=0
  interruptible chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    PELMORA_REQUIRE_NETNS=1 ${CI:+CI=$CI} \
    /bin/bash -c "cd /root/pelmora && $command" < /dev/null || status=$?
  stage_done "$command (exit $status)"
  if [ "$status" -ne 0 ]; then
    failed=1
    break
  fi
done
exit "$failed"
