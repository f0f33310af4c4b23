#!/usr/bin/env bash
# Builds Sorvi's fuzz targets (clang, libFuzzer, address and undefined-
# behaviour sanitizers) in build-fuzz and runs each target, or the ones
# named, for a chosen time. Hangs (-timeout) and huge allocations
# (-rss_limit_mb, -malloc_limit_mb) count as findings. Everything goes to
# fuzz-out/<target>/: the growing corpus, the findings and the log; a line
# per target sums up executions, coverage and findings.
#
# usage: scripts/fuzz.sh [-t SECONDS] [-j JOBS] [--no-build] [TARGET ...]
#   -t SECONDS   time per target (default 60)
#   -j JOBS      targets run at once (default 1; this machine has 2 cores)
#   TARGET       profile registry index source_map block_file block_flags counts
#                procedures dataflow violations penalties report_config
#                result_list glh_file glh_content command_line batch
#                (default: all)
# FUZZ_ARGS adds libFuzzer flags, for example "-fork=1 -ignore_timeouts=1" to
# keep going past hangs inside a library (HDF5 on some damaged files).
# A finding is replayed with: build-fuzz/fuzz/<target>_fuzzer <file>
# and, once fixed, belongs in fuzz/regressions/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
jobs=1
build=1
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    -t) seconds="$2"; shift 2 ;;
    -j) jobs="$2"; shift 2 ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

if [ "$build" = 1 ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSORVI_FUZZ=ON -DSORVI_BUILD_GUI=OFF -DSORVI_BUILD_TESTS=OFF >/dev/null
  cmake --build build-fuzz -j2
fi

if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzzer.cpp; do
    name=$(basename "$f" _fuzzer.cpp)
    targets+=("$name")
  done
fi

dictionary() {
  case "$1" in
    procedures|dataflow|violations) echo fuzz/dict/records.dict ;;
    *) [ -f "fuzz/dict/$1.dict" ] && echo "fuzz/dict/$1.dict" || true ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_one() {
  # Absolute paths: a harness works inside its scratch set, and libFuzzer
  # writes a hang's input while the harness is still there.
  local t=$1 out=$PWD/fuzz-out/$1
  mkdir -p "$out/corpus" "$out/findings"
  local dict args=()
  dict=$(dictionary "$t")
  [ -n "$dict" ] && args+=("-dict=$PWD/$dict")
  # New inputs go to the first folder; the stored seeds stay as they are.
  "build-fuzz/fuzz/${t}_fuzzer" "$out/corpus" "$PWD/fuzz/corpus/$t" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$out/findings/" \
    "${args[@]}" ${FUZZ_ARGS:-} >"$out/log" 2>&1 || true
  local execs cov ft findings
  execs=$(grep -ao 'stat::number_of_executed_units: *[0-9]*' "$out/log" | grep -o '[0-9]*$' | tail -1 || true)
  # Fork mode (FUZZ_ARGS=-fork=1 ...) prints no final stats: its last "#N" line counts.
  [ -n "$execs" ] || execs=$(grep -ao '^#[0-9]*' "$out/log" | tail -1 | tr -d '#' || true)
  cov=$(grep -ao 'cov: [0-9]*' "$out/log" | tail -1 | grep -o '[0-9]*' || true)
  ft=$(grep -ao 'ft: [0-9]*' "$out/log" | tail -1 | grep -o '[0-9]*' || true)
  findings=$(find "$out/findings" -type f | wc -l)
  printf '%-14s execs %-9s cov %-6s ft %-6s findings %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$findings" \
    | tee -a "$PWD/fuzz-out/summary.txt"
}

mkdir -p fuzz-out
for t in "${targets[@]}"; do
  if [ ! -f "fuzz/${t}_fuzzer.cpp" ]; then
    echo "fuzz.sh: no target $t" >&2
    exit 2
  fi
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_one "$t" &
done
wait
