#!/usr/bin/env bash
# Installs the Debian packages that the workspace's packages declare, as
# `rosdep install --from-paths` would on a ROS machine: the keys of each
# package.xml, mapped to Debian packages by scripts/lib/debian-packages.txt,
# plus the workspace tools (compilers, colcon).
#
#   scripts/setup-deps.sh [--test] [--list] [PACKAGE...]
#
#   PACKAGE   workspace packages to install for, with the workspace packages
#             they depend on (default: all of them but the test fixtures);
#             a path with a slash names a package folder outside the
#             workspace's root (a consumer package of the tests)
#   --test    also their test dependencies, and the tools the scripts
#             themselves run (valgrind for scripts/test.sh, clang for the
#             fuzz harnesses)
#   --list    prints the Debian packages instead of installing them
#
#   scripts/setup-deps.sh pelmora          the interface package alone
#   scripts/setup-deps.sh                  building and running everything
#                                          (the main job: scripts/demo.sh)
#   scripts/setup-deps.sh --test           and every test (scripts/test.sh)
#
# Idempotent: returns quickly when everything is already installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
map=$root/scripts/lib/debian-packages.txt

# What every build needs whatever the packages say: a compiler and colcon.
workspace_tools=(
  g++ make
  colcon python3-colcon-ros python3-colcon-cmake python3-colcon-bash
  python3-colcon-library-path python3-colcon-package-selection python3-colcon-output
  python3-colcon-test-result
)
# What scripts/demo.sh runs besides the packages (installed with the default
# selection): the harness's hosts in network namespaces (ip and mount).
script_tools=(iproute2 mount)
# What scripts/test.sh and scripts/fuzz.sh run besides the packages' tests.
script_test_tools=(valgrind clang libclang-rt-14-dev)

with_tests=0
list_only=0
selected=()
for argument in "$@"; do
  case $argument in
    --test) with_tests=1 ;;
    --list) list_only=1 ;;
    -*) echo "usage: $0 [--test] [--list] [PACKAGE...]" >&2; exit 2 ;;
    *) selected+=("$argument") ;;
  esac
done

# The workspace's packages: one folder each at the root.
workspace=()
for manifest in "$root"/*/package.xml; do
  workspace+=("$(basename "$(dirname "$manifest")")")
done
packages=("${workspace_tools[@]}")
[ "$with_tests" = 0 ] || packages+=("${script_test_tools[@]}")
# By default every package but the test fixtures, which the others name
# only as test dependencies (--test reaches them through those).
if [ "${#selected[@]}" -eq 0 ]; then
  packages+=("${script_tools[@]}")
  fixtures=$(sed -n -E 's@^ *<test_depend>([^<]+)</test_depend>.*@\1@p' "$root"/*/package.xml | sort -u)
  for package in "${workspace[@]}"; do
    grep -qx -- "$package" <<< "$fixtures" || selected+=("$package")
  done
fi

# manifest PACKAGE: its package.xml.
manifest() {
  case $1 in
    */*) echo "$1/package.xml" ;;
    *) echo "$root/$1/package.xml" ;;
  esac
}

# keys_of PACKAGE: the dependencies its package.xml declares (the test ones
# too with --test), one per line: rosdep keys as "key NAME", and the Debian
# packages that have no rosdep key, which package.xml can only name in a
# comment of the form <!-- Debian: <test_depend>NAME</test_depend> -->, as
# "debian NAME".
keys_of() {
  local tags='buildtool_depend|build_depend|build_export_depend|depend|exec_depend'
  [ "$with_tests" = 0 ] || tags="$tags|test_depend"
  sed -n -E \
    -e "s@^ *<($tags)>([^<]+)</($tags)> *\$@key \\2@p" \
    -e "s@^ *<!-- Debian: <($tags)>([^<]+)</($tags)> -->\$@debian \\2@p" \
    "$(manifest "$1")"
}

is_workspace_package() {
  local package
  for package in "${workspace[@]}"; do
    [ "$package" = "$1" ] && return 0
  done
  return 1
}

# Walks the selected packages and the workspace packages they name,
# collecting the Debian packages of every other key.
declare -A seen=()
pending=("${selected[@]}")
while [ "${#pending[@]}" -gt 0 ]; do
  package=${pending[0]}
  pending=("${pending[@]:1}")
  [ -z "${seen[$package]:-}" ] || continue
  seen[$package]=1
  [ -f "$(manifest "$package")" ] || { echo "setup-deps.sh: no package $package here" >&2; exit 2; }
  while read -r kind key; do
    if [ "$kind" = debian ]; then
      packages+=("$key")
      continue
    fi
    if is_workspace_package "$key"; then
      pending+=("$key")
      continue
    fi
    line=$(awk -v key="$key" '$1 == key { $1 = ""; print; found = 1 } END { exit !found }' "$map") || {
      echo "setup-deps.sh: $package names '$key', which $map does not map to Debian" >&2
      exit 2
    }
    # shellcheck disable=SC2206 # a line lists packages separated by spaces
    packages+=($line)
  done < <(keys_of "$package")
done

debian=$(printf '%s\n' "${packages[@]}" | grep -vx -- - | sort -u)
if [ "$list_only" = 1 ]; then
  echo "$debian"
  exit 0
fi
missing=()
for p in $debian; do
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
