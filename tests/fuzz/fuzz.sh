#!/usr/bin/env bash
# Builds the reply-parser fuzz target with clang and runs it.
#   tests/fuzz/fuzz.sh          runs the seed corpus once (what test.sh does)
#   tests/fuzz/fuzz.sh SECONDS  fuzzes for that long; new inputs are kept in
#                               build-fuzz/corpus, findings in build-fuzz/findings
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$root/build-fuzz"
seconds="${1:-0}"

CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" >/dev/null

if [ "$seconds" -eq 0 ]; then
  "$build/reply_fuzzer" -runs=0 "$here/corpus"
  exit 0
fi
mkdir -p "$build/corpus" "$build/findings"
cp -n "$here"/corpus/* "$build/corpus/" 2>/dev/null || true
"$build/reply_fuzzer" -max_total_time="$seconds" -max_len=512 -timeout=5 \
  -artifact_prefix="$build/findings/" "$build/corpus" "$here/corpus"
