#!/usr/bin/env bash
# Configures and builds the sanitizer tree build-asan/: clang with AddressSanitizer,
# UndefinedBehaviorSanitizer and libFuzzer's coverage, so the sanitizer suite and the fuzzers share one
# compile of the client. tools/build-asan.sh [TARGET...] (every target unless some are named).
set -euo pipefail
cd "$(dirname "$0")/.."
exec bash tools/build.sh build-asan -DKORVEL_FUZZ=ON -DKORVEL_BENCHMARKS=OFF -DCMAKE_CXX_COMPILER=clang++ -- "$@"
