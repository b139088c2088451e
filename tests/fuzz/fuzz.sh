#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs them: the reply parsers
# ("reply", seed corpus tests/fuzz/corpus) and the backup reader and restore
# ("backup", seed corpus tests/fuzz/backup-corpus).
#   tests/fuzz/fuzz.sh                 runs each target over its seed corpus once
#                                      (what test.sh does)
#   tests/fuzz/fuzz.sh SECONDS [NAME]  fuzzes each target, or the one named, for
#                                      that long; new inputs are kept in
#                                      build-fuzz/<name>-corpus, findings in
#                                      build-fuzz/findings
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$root/build-fuzz"
seconds="${1:-0}"
only="${2:-}"

CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" >/dev/null

# name, seed corpus, longest input
targets=(
  "reply corpus 512"
  "backup backup-corpus 4096"
)
for t in "${targets[@]}"; do
  read -r name seeds maxlen <<<"$t"
  [ -n "$only" ] && [ "$only" != "$name" ] && continue
  if [ "$seconds" -eq 0 ]; then
    "$build/${name}_fuzzer" -runs=0 "$here/$seeds"
    continue
  fi
  mkdir -p "$build/$name-corpus" "$build/findings"
  "$build/${name}_fuzzer" -max_total_time="$seconds" -max_len="$maxlen" -timeout=5 \
    -artifact_prefix="$build/findings/$name-" "$build/$name-corpus" "$here/$seeds"
done
