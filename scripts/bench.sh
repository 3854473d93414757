#!/usr/bin/env bash
# Builds and runs every benchmark, prints the table of median ratios against
# the baselines of the same run, and writes docs/benchmarks.md and
# docs/throughput.png.
#
#   scripts/bench.sh [--build DIR] [--repetitions N] [--quick] [--no-dds] [--no-udp] [--out DIR]
#
#   --build DIR        workspace build folder (colcon's build/, install/ and
#                      log/; default build/bench)
#   --repetitions N    repetitions of every measurement (default 10)
#   --quick            a short run with few repetitions (figures are rough)
#   --no-dds           leave out the Fast-DDS benchmarks (shared memory and UDP)
#   --no-udp           leave out Fast-DDS over UDP between two hosts (network
#                      namespaces made for the run, or 127.0.0.1 where they
#                      cannot be made)
#   --out DIR          where benchmarks.md and throughput.png go (default docs)
#
# The build uses the packages' default flags (optimised, assertions on). Run
# it on an otherwise idle machine: the ratios are only as good as the quiet.
set -euo pipefail
# shellcheck source=scripts/lib/build.sh
. "$(dirname "$0")/lib/build.sh"
root=$pelmora_root
build=$root/build/bench
out=$root/docs
repetitions=10
min_time=0.2
py_sample=0.05
dds=1
udp=1

while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(realpath -m "$2"); shift 2 ;;
    --repetitions) repetitions=$2; shift 2 ;;
    --quick) repetitions=3; min_time=0.05; py_sample=0.02; shift ;;
    --no-dds) dds=0; udp=0; shift ;;
    --no-udp) udp=0; shift ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    -h|--help) sed -n '2,19p' "$0"; exit 0 ;;
    *) echo "bench.sh: unknown argument $1" >&2; exit 64 ;;
  esac
done
python=$pelmora_python
tuned_malloc=glibc.malloc.trim_threshold=1073741824:glibc.malloc.mmap_threshold=33554432:glibc.malloc.hugetlb=1

echo "== build ($build) =="
mkdir -p "$out"
# The benchmarks are built with the packages' tests, whose helpers they share.
pelmora_build "$build" -- -DBUILD_TESTING=ON -DPELMORA_BUILD_BENCHMARKS=ON
prefix=$build/install
# The Python benchmarks import the installed packages and pelmora_testing's
# helpers; the benchmarks between hosts run their peers through its harness.
export PYTHONPATH=$prefix/lib/python3.11/site-packages:$prefix/share/pelmora_testing/python${PYTHONPATH:+:$PYTHONPATH} \
  PYTHONDONTWRITEBYTECODE=1
# program <package> <name>: a benchmark program in the package's build folder.
program() {
  find "$build/build/$1" -name "$2" -type f -executable -print -quit
}
dds_build=$build/build/pelmora_dds
bench_c=$(program pelmora pelmora_bench_c)
bench_cpp=$(program pelmora pelmora_bench_cpp)
bench_walker=$(program pelmora_dds pelmora_bench_walker)
bench_cv=$(program pelmora_cv pelmora_bench_features_cv)
# The stand-in middleware through which bench_keypoints.py decodes, as
# pelmora_cv's Python tests do.
cdr_peer=$(find "$build/build/pelmora_cv" -name 'libpelmora_cv_test_cdr_peer.so' -print -quit)
bench_dds=$(program pelmora_dds pelmora_bench_dds)
if [ "$dds" = 1 ] && [ -z "$bench_dds" ]; then
  echo "Fast-DDS benchmark not available in this build (no Fast-DDS adapter); leaving it out"
  dds=0
fi

results=$build/bench-results
mkdir -p "$results"

machine=$results/machine.txt
{
  echo "$(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores, $(free -g | awk '/^Mem:/ {print $2}') GB RAM"
  echo "kernel: $(uname -sr); $( (. /etc/os-release && echo "$PRETTY_NAME") )"
  echo "caches: $(lscpu | awk -F: '/L1d|L2|L3/ {gsub(/^ +/, "", $2); printf "%s %s; ", $1, $2}')"
  echo "compiler: $(c++ --version | head -1); Python $($python -c 'import sys; print(sys.version.split()[0])')"
  echo "libraries: fastcdr $(dpkg-query -W -f '${Version}' libfastcdr1 2>/dev/null || echo ?)," \
       "fastrtps $(dpkg-query -W -f '${Version}' 'libfastrtps2.*' 2>/dev/null | head -1 || echo ?)," \
       "google-benchmark $(dpkg-query -W -f '${Version}' libbenchmark-dev 2>/dev/null || echo ?)"
  echo "commit: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- . ':!docs' 2>/dev/null || echo ' (with local changes)')"
  echo "build: CMAKE_BUILD_TYPE=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/build/pelmora/CMakeCache.txt"), assertions on"
  echo "run: $(date -u '+%Y-%m-%d %H:%M UTC'), repetitions $repetitions, load average at start $(cut -d' ' -f1-3 /proc/loadavg)"
} > "$machine"
cat "$machine"

gbench=(--benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true
        --benchmark_enable_random_interleaving=true --benchmark_min_time="$min_time"
        --benchmark_out_format=json)
# bench_py SCRIPT [ARGUMENTS...]: a Python benchmark (a path below the
# workspace) over the installed modules, at the run's repetitions and sample
# length.
bench_py() {
  "$python" "$root/$1" --repetitions "$repetitions" --sample-seconds "$py_sample" "${@:2}"
}
# subsection TITLE TEXT: a "###" section of benchmarks.md holding TEXT.
subsection() {
  printf '\n### %s\n\n%s\n' "$1" "$2"
}

echo "== C =="
"$bench_c" "${gbench[@]}" --benchmark_out="$results/c.json"
echo "== C++ =="
"$bench_cpp" "${gbench[@]}" --benchmark_out="$results/cpp.json"
echo "== Python =="
bench_py pelmora/benchmarks/bench_python.py --json "$results/python.json"
# Again with glibc's malloc tuned to keep freed memory (no trimming, fixed
# mmap threshold) and to map large blocks with huge pages: this shows how
# much of the Python figures is the allocator handing pages back to the
# kernel and faulting fresh ones in for the next message.
echo "== Python, tuned malloc ($tuned_malloc) =="
GLIBC_TUNABLES=$tuned_malloc bench_py pelmora/benchmarks/bench_python.py --json "$results/python-tuned.json"
echo "== pelmora_cv: NumPy conversions and views of serialized messages =="
keypoints_table=$(PELMORA_LIB_DIR=$prefix/lib PELMORA_TEST_PEER=$cdr_peer \
  bench_py pelmora_cv/benchmarks/bench_keypoints.py)
echo "$keypoints_table"
echo "== pelmora_cv: OpenCV conversions and views against copies and the decoder =="
"$bench_cv" "${gbench[@]}" --benchmark_out="$results/features_cv.json"
cv_table=$("$python" "$root/pelmora_cv/benchmarks/features_cv_report.py" "$results/features_cv.json")
echo "$cv_table"
dds_args=()
if [ "$dds" = 1 ]; then
  echo "== Fast-DDS =="
  # Half a second a measurement, --quick or not.
  "$bench_dds" "${gbench[@]}" --benchmark_min_time=0.5 --benchmark_out="$results/dds.json"
  dds_args=(--dds "$results/dds.json")
fi
if [ "$dds" = 1 ] && [ "$udp" = 1 ]; then
  echo "== Fast-DDS over UDP between two hosts =="
  "$python" "$root/pelmora_dds/benchmarks/bench_udp.py" --build "$dds_build" --json "$results/dds-udp.json" \
    --repetitions "$repetitions" --min-time 0.5
  dds_args+=(--dds-udp "$results/dds-udp.json")
fi

walker_table=""
if [ -n "$bench_walker" ]; then
  echo "== introspection walker =="
  "$bench_walker" "${gbench[@]}" --benchmark_out="$results/walker.json"
  walker_table=$("$python" "$root/pelmora_dds/benchmarks/walker_report.py" "$results/walker.json")
  echo "$walker_table"
fi
vendors_table=""
if [ "$dds" = 1 ] && "$dds_build/bin/pelmora-dds" pub --help 2>/dev/null | grep -q cyclonedds; then
  echo "== Cyclone DDS against Fast DDS =="
  vendors_table=$("$python" "$root/pelmora_dds/benchmarks/bench_vendors.py" --build "$dds_build" \
    --repetitions "$(( repetitions < 3 ? repetitions : 3 ))" --json "$results/vendors.json")
  echo "$vendors_table"
fi

echo "== report =="
"$python" "$prefix/share/pelmora_testing/python/report.py" --c "$results/c.json" --cpp "$results/cpp.json" \
  --python "$results/python.json" --python-tuned "$results/python-tuned.json" "${dds_args[@]}" --machine "$machine" \
  --notes "$root/pelmora/benchmarks/analysis.md" --markdown "$out/benchmarks.md" --plot "$out/throughput.png"
{
  printf '\n## pelmora_cv\n'
  subsection "OpenCV conversions and view() against copies of the same bytes and the C++ decoder (median times)" "$cv_table"
  subsection "NumPy conversions and cdr_arrays() against bytes() copies and decoding (median times)" "$keypoints_table"
} >> "$out/benchmarks.md"
if [ -n "$walker_table$vendors_table" ]; then
  {
    printf '\n## Introspection walker and Cyclone DDS\n'
    if [ -n "$walker_table" ]; then
      subsection "Walker against the CDR type supports (median time over memcpy of the same bytes; walker over CDR type support in bold)" "$walker_table"
    fi
    if [ -n "$vendors_table" ]; then
      subsection "Features throughput, Cyclone DDS against Fast DDS (pelmora-dds processes, UDP on 127.0.0.1, unicast discovery; median MB/s at the receiver, ratio to Fast DDS to Fast DDS)" "$vendors_table"
    fi
  } >> "$out/benchmarks.md"
fi
# DDS Security: the same exchange with and without encryption, between two
# hosts made of network namespaces (needs root; skipped otherwise).
if [ "$dds" = 1 ]; then
  echo "== DDS Security =="
  status=0
  security_table=$("$python" "$root/pelmora_dds/benchmarks/security_throughput.py" --build "$dds_build" \
    --repetitions "$(( repetitions < 5 ? repetitions : 5 ))" --markdown) || status=$?
  if [ "$status" = 0 ]; then
    {
      printf '\n## DDS Security\n'
      subsection "Features throughput encrypted against plain (pelmora-dds C peers, reliable keep-all; UDP between two namespace hosts, shared memory within one; MB/s at the receiver)" "$security_table"
      echo
      cat "$root/pelmora_dds/benchmarks/security_analysis.md"
    } >> "$out/benchmarks.md"
  else
    echo "DDS Security benchmark not run (exit $status)"
  fi
fi
echo
echo "wrote $out/benchmarks.md and $out/throughput.png"
