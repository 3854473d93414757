# Sourced by the scripts: the configure and build steps and the parallelism
# policy, written once.
#
# Parallelism: PELMORA_JOBS jobs if set, else one per processor.
pelmora_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
pelmora_jobs=${PELMORA_JOBS:-$(nproc)}

# pelmora_configure <build dir> [cmake arguments...]: configures the project
# into <build dir>. The output goes to <build dir>.configure.log, which is
# shown only when configuring fails.
pelmora_configure() {
  local build_dir=$1
  shift
  mkdir -p "$(dirname "$build_dir")"
  cmake -S "$pelmora_root" -B "$build_dir" "$@" > "$build_dir.configure.log" 2>&1 || {
    cat "$build_dir.configure.log" >&2
    return 1
  }
}

# pelmora_build <build dir> [cmake --build arguments...]: builds with
# pelmora_jobs jobs.
pelmora_build() {
  local build_dir=$1
  shift
  cmake --build "$build_dir" -j "$pelmora_jobs" "$@"
}
