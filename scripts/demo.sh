#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the package and runs its example.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
cmake -S "$root" -B "$root/build/default" > /dev/null
cmake --build "$root/build/default" -j "$(nproc)"
"$root/build/default/bin/pelmora_c_record_example"
