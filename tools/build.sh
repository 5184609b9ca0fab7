#!/usr/bin/env bash
# Configures and builds one build tree: tools/build.sh DIR [cmake options...] [-- TARGET...]
# (every target unless some are named).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
options=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  options+=("$1")
  shift
done
[ $# -gt 0 ] && shift
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
mkdir -p "$dir"
# ccache, where installed, keeps rebuilds of unchanged sources short. Sources that use a precompiled
# header are cached too when ccache ignores the header's definitions, time macros and fresh file times.
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "${options[@]}" > "$dir/configure.log" 2>&1 ||
  { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
