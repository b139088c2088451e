#!/usr/bin/env bash
# Installs what is missing, builds a program and the simulated monitor, and
# runs the program on the simulated monitor: `./run.sh` the Online program,
# `./run.sh presentation`, `./run.sh ostrel`, `./run.sh offline`,
# `./run.sh calibration` (or any program kovo-<name> that the build has) the
# others, all on the same program folder. The programs keep their databases in build/run (or
# $KOVO_PROGRAM_FOLDER); `--port DEVICE` uses a real monitor on that device
# instead, `--leak-detector` makes the simulated monitor the leak detector;
# other arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"

program=online
if [ $# -gt 0 ] && [[ "$1" != -* ]]; then
  program=$1
  shift
fi

scripts/install-deps.sh
cmake -S . -B build -G Ninja
programs=$(ninja -C build -t targets all | sed -n 's/^kovo-\([a-z]*\): .*/\1/p' | grep -vx simulator)
if ! grep -qx "$program" <<< "$programs"; then
  echo "No program kovo-$program in this build; the programs are:" $programs >&2
  exit 1
fi
cmake --build build --target "kovo-$program" kovo-simulator
# The Offline program finds a recorded stand-alone run in the monitor's memory.
simulator_args=()
[ "$program" = offline ] && simulator_args=(--memory tests/offline/data/memory.txt)
# The Calibration program calibrates against the simulated monitor's own
# optical filter table, put into the program folder; the cell's gases come
# from the scene file there, cell.txt (empty: the simulated monitor's own).
folder=${KOVO_PROGRAM_FOLDER:-$PWD/build/run}
mkdir -p "$folder/data"
if [ "$program" = calibration ]; then
  [ -e "$folder/cell.txt" ] || : > "$folder/cell.txt"
  simulator_args=(--filter-table "$folder" --scene "$folder/cell.txt")
fi

# --port DEVICE talks to a real monitor on that device instead.
port=
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --port) port=${2:?"--port needs a device, e.g. /dev/ttyUSB0"}; shift 2 ;;
    --leak-detector) simulator_args+=(--leak-detector); shift ;;
    *) args+=("$1"); shift ;;
  esac
done

export KOVO_PROGRAM_FOLDER="$folder"
if [ -n "$port" ]; then
  export KOVO_COM1="$port" KOVO_COM2="$port" KOVO_COM3="$port" KOVO_COM4="$port"
  exec "build/bin/kovo-$program" ${args[@]+"${args[@]}"}
fi

link="$folder/monitor"
rm -f "$link"
build/bin/kovo-simulator --link "$link" ${simulator_args[@]+"${simulator_args[@]}"} > "$folder/simulator.txt" 2>&1 &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [ -e "$link" ] && break
  sleep 0.1
done
[ -e "$link" ] || { echo "The simulated monitor did not start: see $folder/simulator.txt" >&2; exit 1; }

# Whichever port the program is set to, the simulated monitor is behind it.
export KOVO_COM1="$link" KOVO_COM2="$link" KOVO_COM3="$link" KOVO_COM4="$link"
"build/bin/kovo-$program" ${args[@]+"${args[@]}"}
