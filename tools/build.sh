#!/usr/bin/env bash
# Configures and builds one build tree: tools/build.sh DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
mkdir -p "$dir"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$dir/configure.log" 2>&1 ||
  { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" --parallel "$(nproc)"
