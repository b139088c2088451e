#!/usr/bin/env bash
# Installs what is missing, builds a program and the simulated monitor, and
# runs the program on a simulated monitor of its own: `./run.sh` the Online
# program, `./run.sh presentation`, `./run.sh ostrel`, `./run.sh offline`,
# `./run.sh calibration` (or any program kovo-<name> that the build has) the
# others, all on the same program folder. The programs keep their databases in
# build/run (or $KOVO_PROGRAM_FOLDER). Several may run at once: each run has
# its own simulated monitor behind its own link, which it removes when it
# ends. `--port DEVICE` uses a real monitor on that device instead; the
# simulated monitor's options (`build/bin/kovo-simulator --help`) go to it;
# arguments that do not begin with -- go to the program; anything else is
# refused.
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

# The simulated monitor's options as its --help lists them, each with the
# word it takes after it when it takes one ("--memory FILE"); its link is
# run.sh's own.
declare -A simulator_takes=()
simulator_list=()
while read -r option word; do
  [ "$option" != --link ] || continue
  simulator_takes[$option]=$word
  simulator_list+=("$option${word:+ $word}")
done < <(build/bin/kovo-simulator --help 2>&1 | sed -En 's/^  (--[a-z-]+)( [^ ]+)?( {2,}.*)?$/\1\2/p')

refuse() {
  local list
  list=$(printf '%s, ' ${simulator_list[@]+"${simulator_list[@]}"})
  echo "run.sh: $1. run.sh takes --port DEVICE; the simulated monitor takes ${list%, };" \
    "kovo-$program takes arguments that do not begin with --." >&2
  exit 2
}

# --port DEVICE talks to a real monitor on that device instead.
port=
args=()
given=()
while [ $# -gt 0 ]; do
  case "$1" in
    --port)
      [ $# -ge 2 ] || refuse "--port needs a device, e.g. /dev/ttyUSB0"
      port=$2
      shift 2
      ;;
    --link) refuse "--link is run.sh's own: each run has a link of its own" ;;
    --*)
      [ -n "${simulator_takes[$1]+known}" ] || refuse "$1 is no option of run.sh, of the simulated monitor or of kovo-$program"
      if [ -n "${simulator_takes[$1]}" ]; then
        [ $# -ge 2 ] || refuse "$1 needs ${simulator_takes[$1]}"
        given+=("$1" "$2")
        shift 2
      else
        given+=("$1")
        shift
      fi
      ;;
    *) args+=("$1"); shift ;;
  esac
done

folder=${KOVO_PROGRAM_FOLDER:-$PWD/build/run}
mkdir -p "$folder/data"
export KOVO_PROGRAM_FOLDER="$folder"
if [ -n "$port" ]; then
  [ ${#given[@]} -eq 0 ] || refuse "${given[0]} is an option of the simulated monitor, which --port leaves out"
  export KOVO_COM1="$port" KOVO_COM2="$port" KOVO_COM3="$port" KOVO_COM4="$port"
  exec "build/bin/kovo-$program" ${args[@]+"${args[@]}"}
fi

# The Offline program finds a recorded stand-alone run in the monitor's memory.
simulator_args=()
[ "$program" = offline ] && simulator_args=(--memory tests/offline/data/memory.txt)
# The Calibration program calibrates against the simulated monitor's own
# optical filter table, put into the program folder; the cell's gases come
# from the scene file there, cell.txt (empty: the simulated monitor's own).
if [ "$program" = calibration ]; then
  [ -e "$folder/cell.txt" ] || : > "$folder/cell.txt"
  simulator_args=(--filter-table "$folder" --scene "$folder/cell.txt")
fi
# Given last, the options given here win over the ones above.
simulator_args+=(${given[@]+"${given[@]}"})

# This run's own link, which no other run touches; the simulated monitor's
# complaints (a bad line in a scene file) reach the terminal.
link="$folder/monitor-$$"
rm -f "$link"
build/bin/kovo-simulator --link "$link" ${simulator_args[@]+"${simulator_args[@]}"} > /dev/null &
simulator=$!
trap 'kill "$simulator" 2>/dev/null && wait "$simulator" 2>/dev/null; rm -f "$link"' EXIT
for _ in $(seq 50); do
  [ -e "$link" ] && break
  kill -0 "$simulator" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "$link" ]; then
  echo "The simulated monitor did not start." >&2
  exit 1
fi

# Whichever port the program is set to, the simulated monitor is behind it.
export KOVO_COM1="$link" KOVO_COM2="$link" KOVO_COM3="$link" KOVO_COM4="$link"
"build/bin/kovo-$program" ${args[@]+"${args[@]}"}
