#!/usr/bin/env bash
# The package's main job: sets up a fresh Debian 12 machine, builds, and
# moves Features over Fast-DDS between C, C++ and Python peers in separate
# processes (see demo-dds.sh).
set -euo pipefail
exec "$(dirname "$0")/demo-dds.sh" "$@"
