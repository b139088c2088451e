#!/usr/bin/env bash
# Installs what is missing, builds the suite and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build
cd build
ctest --output-on-failure -j "$(nproc)"
# The fuzz targets under the sanitizers, each over its seed corpus: the reply
# parsers, and the backup reader and restore (tests/fuzz/fuzz.sh SECONDS fuzzes
# for longer).
cd ..
tests/fuzz/fuzz.sh
