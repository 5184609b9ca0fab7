#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a share of SECONDS
# (default 120 in all), starting from its seed corpus under tests/fuzz/corpus/NAME. A crash stops the
# run with the fuzzer's report and the input under build-fuzz/artifacts/; turn such an input into a
# regression case in the unit tests.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/korvel-runtime-$(id -u)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
mkdir -p build-fuzz
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" > build-fuzz/configure.log 2>&1 ||
  { cat build-fuzz/configure.log; exit 1; }
cmake --build build-fuzz --parallel "$(nproc)" --target fuzzers

fuzzers=(build-fuzz/bin/*_fuzzer)
each=$(( seconds / ${#fuzzers[@]} ))
[ "$each" -ge 1 ] || each=1
mkdir -p build-fuzz/artifacts
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer" _fuzzer)
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=tests/fuzz/corpus/$name
  echo "== fuzz $name for ${each}s"
  dirs=("$corpus")
  [ -d "$seeds" ] && dirs+=("$seeds")
  log=build-fuzz/$name.log
  # Qt's own allocations at exit are not the project's leaks.
  if ! ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$fuzzer" -max_total_time="$each" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/artifacts/"$name"- "${dirs[@]}" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $name found a fault; the input is under build-fuzz/artifacts/"
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
done
echo "fuzz: no fault found"
