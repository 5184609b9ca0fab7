#!/usr/bin/env bash
# The test command: set up, build, and run every test headless (unit tests, scenario files, end-to-end
# tests), a short run of every fuzzer, then the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, the tree the fuzzers build in).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/korvel-runtime-$(id -u)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

echo "== build"
bash tools/build.sh build
echo "== tests"
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 300

echo "== Debian package: built, checked by lintian, unpacked and run"
bash tests/package/check.sh

echo "== fuzz"
# About two minutes of fuzzing in all: enough for a regression on the seed corpora to show.
bash tools/fuzz.sh 120

echo "== build with AddressSanitizer and UndefinedBehaviorSanitizer (the rest of the fuzzers' tree)"
bash tools/build-asan.sh
echo "== tests with AddressSanitizer and UndefinedBehaviorSanitizer"
# Qt's own allocations at exit are not the project's leaks; every other report fails the run.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)" --timeout 600
