#!/usr/bin/env bash
# Installs the build into a fresh prefix, checks that nothing in its library
# folder could stand in for another package's library, and builds a plain
# CMake consumer against it.
set -euo pipefail
build_dir=$1
source_dir=$2
work=$(mktemp -d)
# A failed step leaves its log behind: show the logs and keep the folder.
keep_logs_on_failure() {
  local status=$?
  if [ "$status" -eq 0 ]; then
    rm -rf "$work"
    return
  fi
  for log in "$work"/*.log; do
    [ -f "$log" ] && { echo "== $log" >&2; tail -n 40 "$log" >&2; }
  done
  echo "install test failed (status $status); logs and prefix kept in $work" >&2
}
trap keep_logs_on_failure EXIT
cmake --install "$build_dir" --prefix "$work/prefix" > "$work/install.log"

# Every shared object in lib/ (the Python package's folder aside) is one of
# the package's own: a sourced workspace puts lib/ on the loader's path.
foreign=$(find "$work/prefix/lib" -path "$work/prefix/lib/python*" -prune -o \
  -name '*.so*' ! -name 'libpelmora*' -print)
if [ -n "$foreign" ]; then
  echo "libraries named like another package's:" $foreign >&2
  exit 1
fi

cmake -S "$source_dir" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" > "$work/configure.log"
cmake --build "$work/consumer" > "$work/build.log"
"$work/consumer/consumer"
