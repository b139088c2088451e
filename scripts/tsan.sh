#!/usr/bin/env bash
# Builds the engine and link tests with ThreadSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
flags=-fsanitize=thread
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVO_BUILD_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null
targets=(communication_engine_tests communication_link_tests)
cmake --build build-tsan --target "${targets[@]}"
for t in "${targets[@]}"; do
  TSAN_OPTIONS="halt_on_error=1" "build-tsan/bin/$t"
done
