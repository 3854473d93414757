#!/usr/bin/env bash
# Fuzzes the CDR decoders, the Python-to-C conversion and pelmora_cv's views
# of serialized messages for a given time each.
#
#   scripts/fuzz.sh <seconds> [harness...]
#
# Harnesses:
#   c_decoder, cpp_decoder, differential
#       libFuzzer on the C decoder, the C++ decoder, and both against each
#       other (clang, AddressSanitizer + UndefinedBehaviorSanitizer, the
#       libraries instrumented for coverage), seeded from the shared wire
#       vectors and the committed corpus;
#   py_convert
#       the generator of hostile Python objects against the extension modules
#       built with the same sanitizers (leaks reported at exit);
#   py_convert_refcounts
#       the same under the debug interpreter, which also checks the total
#       reference count across every conversion;
#   view
#       libFuzzer on pelmora_cv::view() against pelmora's C decoder (accepted
#       exactly when the decoder accepts and the counts agree, with equal
#       fields), seeded from the vectors, the hostile payloads and its corpus;
#   cdr_arrays
#       random and mutated buffers through pelmora_cv.cdr_arrays() against
#       the C decoder, in the sanitizer build.
# All of them run by default, two at a time (PELMORA_FUZZ_JOBS); the whole
# run, build included, is at low priority. The build (colcon's build,
# install and log folders) lands in build/fuzz (PELMORA_FUZZ_BUILD_DIR); each
# harness's corpus (kept from run to run), the faulting inputs of the last run
# and its log in build/fuzz/runs/<harness>/.
# PELMORA_FUZZ_OPTIONS adds libFuzzer options (for example -use_value_profile=1).
# Prints the executions of each harness; exits non-zero if one found a fault.
#
# To fold new corpus entries into the committed regression corpus:
#   build/fuzz/build/pelmora/bin/fuzz_<harness> -merge=1 pelmora/test/fuzz/corpus/<harness> build/fuzz/runs/<harness>/corpus
#   build/fuzz/build/pelmora_cv/test/view/fuzz_view -merge=1 pelmora_cv/test/view/corpus build/fuzz/runs/view/corpus
set -euo pipefail

seconds=${1:?usage: scripts/fuzz.sh <seconds> [harness...]}
shift
# shellcheck source=scripts/lib/build.sh
. "$(dirname "$0")/lib/build.sh"
root=$pelmora_root
build=${PELMORA_FUZZ_BUILD_DIR:-$root/build/fuzz}
renice -n 10 $$ > /dev/null
jobs=${PELMORA_FUZZ_JOBS:-2}
if [ $# -gt 0 ]; then
  harnesses=("$@")
else
  harnesses=(c_decoder cpp_decoder differential py_convert py_convert_refcounts view cdr_arrays)
fi

echo "== building the harnesses with clang in $build =="
clang_build=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
  -DPELMORA_SANITIZE=ON -DPELMORA_BUILD_FUZZERS=ON -DPELMORA_BUILD_PYTHON=ON
  -DPELMORA_BUILD_BENCHMARKS=OFF -DBUILD_TESTING=ON
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link)
pelmora_build "$build" --packages-up-to pelmora_cv -- "${clang_build[@]}"
tests=$build/build/pelmora
view_tests=$build/build/pelmora_cv/test
vectors=$build/install/share/pelmora_testing/vectors

seeds=$build/runs/seeds
rm -rf "$seeds" "$seeds-view"
"$pelmora_python" "$root/pelmora/test/fuzz/make_seeds.py" "$vectors/features_vectors.txt" "$seeds"
"$pelmora_python" "$root/pelmora_cv/test/view/make_seeds.py" "$vectors/features_vectors.txt" \
  "$vectors/hostile_payloads.txt" "$seeds-view"

# run_libfuzzer <program> <seed folder>...: runs a libFuzzer harness into the
# run folder and prints its executions.
run_libfuzzer() {
  local program=$1
  shift
  # shellcheck disable=SC2086 # PELMORA_FUZZ_OPTIONS holds several options
  "$program" -max_total_time="$seconds" -print_final_stats=1 ${PELMORA_FUZZ_OPTIONS:-} \
    -artifact_prefix="$run/findings/" "$run/corpus" "$@" > "$run/log" 2>&1 || true
  sed -n 's/^stat::number_of_executed_units: *//p' "$run/log" | tail -n 1
}

# run_python_fuzz <environment file> <script> <tag>: runs a Python fuzz
# driver with the environment its replay test has, which the build writes,
# and prints its cases.
run_python_fuzz() {
  local environment=$1 script=$2 tag=$3
  if [ ! -f "$environment" ]; then
    echo "$harness: not built (no interpreter for it)" > "$run/log"
    echo 0
    return
  fi
  local python
  python=$(sed -n 's/^PELMORA_PYTHON=//p' "$environment")
  # shellcheck disable=SC2046 # one VAR=value word per line, no spaces
  (cd "$run" && env $(grep -v '^PELMORA_PYTHON=' "$environment") "$python" \
    "$script" --seconds "$seconds" --seed "$tag-$(date +%s)" \
    > "$run/log" 2>&1) || cp "$run/log" "$run/findings/fault-$(date +%s).log"
  sed -n 's/^\([0-9]*\) cases in .*/\1/p' "$run/log" | tail -n 1
}

# Runs one harness; its last log line is "<executions> <findings>".
run_harness() {
  local harness=$1
  local run=$build/runs/$harness
  rm -rf "$run/findings"
  mkdir -p "$run/corpus" "$run/findings"
  local executions
  case $harness in
    c_decoder|cpp_decoder|differential)
      executions=$(run_libfuzzer "$tests/bin/fuzz_$harness" "$seeds" \
        "$root/pelmora/test/fuzz/corpus/$harness")
      ;;
    view)
      executions=$(run_libfuzzer "$view_tests/view/fuzz_view" "$seeds-view" \
        "$root/pelmora_cv/test/view/corpus")
      ;;
    py_convert|py_convert_refcounts)
      executions=$(run_python_fuzz "$tests/test/fuzz/${harness/refcounts/reference_counts}.env" \
        "$root/pelmora/test/fuzz/py_convert_fuzz.py" "$harness")
      ;;
    cdr_arrays)
      executions=$(run_python_fuzz "$view_tests/python/cdr_arrays_fuzz.env" \
        "$root/pelmora_cv/test/python/cdr_arrays_fuzz.py" "$harness")
      ;;
    *)
      echo "unknown harness $harness" >&2
      return 1
      ;;
  esac
  echo "${executions:-0} $(find "$run/findings" -type f | wc -l)" >> "$run/log"
}

echo "== fuzzing ${harnesses[*]} for $seconds s each, $jobs at a time =="
running=0
for harness in "${harnesses[@]}"; do
  run_harness "$harness" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

status=0
printf '%-22s %12s %8s %9s\n' harness executions corpus findings
for harness in "${harnesses[@]}"; do
  run=$build/runs/$harness
  read -r executions findings < <(tail -n 1 "$run/log")
  corpus=$(find "$run/corpus" -type f 2>/dev/null | wc -l)
  printf '%-22s %12s %8s %9s\n' "$harness" "$executions" "$corpus" "$findings"
  if [ "$findings" != 0 ]; then
    status=1
    echo "  faulting inputs in $run/findings, log in $run/log"
  fi
done
exit $status
