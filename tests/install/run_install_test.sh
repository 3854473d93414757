#!/usr/bin/env bash
# Installs the build into a fresh prefix and builds a consumer against it.
set -euo pipefail
build_dir=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" > "$work/install.log"
cmake -S "$source_dir" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" > "$work/configure.log"
cmake --build "$work/consumer" > "$work/build.log"
"$work/consumer/consumer"
