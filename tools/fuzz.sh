#!/usr/bin/env bash
# Builds the libFuzzer targets in the clang sanitizer tree build-asan/ (tools/build-asan.sh) and runs
# each for a share of SECONDS (default 120 in all), as many at once as the machine has cores,
# starting from its seed corpus under tests/fuzz/corpus/NAME. A crash stops the run with the fuzzer's
# report and the input under build-asan/fuzz/artifacts/; turn such an input into a regression case in
# the unit tests.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/korvel-runtime-$(id -u)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

bash tools/build-asan.sh fuzzers

out=build-asan/fuzz
fuzzers=(build-asan/bin/*_fuzzer)
each=$(( seconds / ${#fuzzers[@]} ))
[ "$each" -ge 1 ] || each=1
mkdir -p "$out/artifacts"

# One fuzzer: its share of the time from its corpus and seeds; its report and 1 on a fault.
fuzz_one() {
  local fuzzer=$1 name corpus seeds log
  name=$(basename "$fuzzer" _fuzzer)
  corpus=$out/corpus/$name
  seeds=tests/fuzz/corpus/$name
  log=$out/$name.log
  mkdir -p "$corpus"
  local dirs=("$corpus")
  [ -d "$seeds" ] && dirs+=("$seeds")
  # Qt's own allocations at exit are not the project's leaks.
  if ! ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$fuzzer" -max_total_time="$each" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$name-" "${dirs[@]}" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $name found a fault; the input is under $out/artifacts/"
    return 1
  fi
  # One write, so the summaries of fuzzers that run at once do not interleave.
  printf '%s\n' "== fuzz $name: ${each}s" \
    "$(grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true)"
}

# Each fuzzer is single-threaded: as many run at once as there are cores, each for its full share.
at_once=$(nproc)
for ((i = 0; i < ${#fuzzers[@]}; i += at_once)); do
  pids=()
  for fuzzer in "${fuzzers[@]:i:at_once}"; do
    fuzz_one "$fuzzer" &
    pids+=($!)
  done
  failed=0
  for pid in "${pids[@]}"; do
    wait "$pid" || failed=1
  done
  [ "$failed" = 0 ] || exit 1
done
echo "fuzz: no fault found"
