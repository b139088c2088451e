#!/usr/bin/env bash
# Installs what is missing, builds the Online program and the simulated
# monitor, and runs the program on the simulated monitor. The program keeps
# its databases in build/run (or $KOVO_PROGRAM_FOLDER); arguments go to the
# program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --target kovo-online kovo-simulator

folder=${KOVO_PROGRAM_FOLDER:-$PWD/build/run}
mkdir -p "$folder"
link="$folder/monitor"
rm -f "$link"
build/bin/kovo-simulator --link "$link" > "$folder/simulator.txt" 2>&1 &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [ -e "$link" ] && break
  sleep 0.1
done
[ -e "$link" ] || { echo "The simulated monitor did not start: see $folder/simulator.txt" >&2; exit 1; }

# Whichever port the program is set to, the simulated monitor is behind it.
export KOVO_COM1="$link" KOVO_COM2="$link" KOVO_COM3="$link" KOVO_COM4="$link"
export KOVO_PROGRAM_FOLDER="$folder"
build/bin/kovo-online "$@"
