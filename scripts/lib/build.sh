# Sourced by the scripts: the colcon build and test steps and the
# parallelism policy, written once.
#
# Every build variant is a folder build/<variant> holding colcon's build/,
# install/ (one merged prefix) and log/ folders, so that variants with
# different settings never share a cache.
#
# Parallelism: PELMORA_JOBS jobs if set, else one per processor.
pelmora_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
pelmora_jobs=${PELMORA_JOBS:-$(nproc)}
# colcon, ament and the setup scripts need Debian's interpreter, which holds
# their modules; another python3 may come first on PATH.
pelmora_python=/usr/bin/python3
export PATH=/usr/bin:$PATH

# pelmora_colcon <variant folder> <verb> [colcon verb arguments...]: runs
# colcon on the workspace with the variant's build, install and log folders.
pelmora_colcon() {
  local variant=$1 verb=$2
  shift 2
  local bases=(--build-base "$variant/build" --install-base "$variant/install")
  [ "$verb" != test-result ] || bases=(--test-result-base "$variant/build")
  [ "$verb" = test-result ] || bases+=(--merge-install --base-paths "$pelmora_root")
  # colcon must not take the workspaces that the scripts make below build/
  # (scripts/interface-alone.sh links a package there) for packages.
  mkdir -p "$variant" "$pelmora_root/build"
  touch "$pelmora_root/build/COLCON_IGNORE"
  CMAKE_BUILD_PARALLEL_LEVEL=$pelmora_jobs /usr/bin/colcon --log-base "$variant/log" "$verb" \
    "${bases[@]}" "$@"
}

# pelmora_split_arguments [colcon arguments...] [-- tool arguments...]: sets
# pelmora_colcon_args to the arguments before "--" and pelmora_tool_args to
# those after it (for cmake or ctest).
pelmora_split_arguments() {
  pelmora_colcon_args=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    pelmora_colcon_args+=("$1")
    shift
  done
  [ $# -eq 0 ] || shift
  pelmora_tool_args=("$@")
}

# pelmora_build <variant folder> [colcon build arguments...] [-- cmake arguments...]:
# builds the workspace (or the packages the arguments select), one package
# at a time (each uses every processor), with Debian's interpreter. Every
# package is given the same cmake arguments; each takes the options it has.
pelmora_build() {
  local variant=$1
  shift
  pelmora_split_arguments "$@"
  pelmora_colcon "$variant" build \
    --event-handlers console_cohesion- console_direct- console_stderr+ summary+ \
    "${pelmora_colcon_args[@]}" --cmake-args --no-warn-unused-cli -DPython3_EXECUTABLE="$pelmora_python" \
    "${pelmora_tool_args[@]}"
}

# pelmora_test <variant folder> [colcon test arguments...] [-- ctest arguments...]:
# runs the tests of a built variant, as many at a time as there are jobs,
# and fails unless every test passed (colcon test-result lists the failures).
pelmora_test() {
  local variant=$1
  shift
  pelmora_split_arguments "$@"
  local status=0
  pelmora_colcon "$variant" test \
    --event-handlers console_cohesion- console_direct- summary+ \
    "${pelmora_colcon_args[@]}" --ctest-args --output-on-failure -j "$pelmora_jobs" \
    "${pelmora_tool_args[@]}" || status=$?
  pelmora_colcon "$variant" test-result --verbose || status=1
  return "$status"
}
