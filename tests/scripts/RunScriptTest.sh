#!/usr/bin/env bash
# ./run.sh without a build or a display: a copy of it in a folder of its own,
# where installing and building do nothing, the simulated monitor is the real
# one and the program "kovo-probe" a stand-in that reports its arguments, its
# simulated monitor's command line and whether the monitor behind its link
# answers.
#
#   RunScriptTest.sh <source folder> <kovo-simulator> two-runs|options
set -euo pipefail
source_folder=$1
simulator=$2
case_name=$3

root=$(mktemp -d)
runs=()
cleanup() {
  for pid in ${runs[@]+"${runs[@]}"}; do kill "$pid" 2>/dev/null || true; done
  touch "$root/release" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT

mkdir -p "$root/scripts" "$root/build/bin" "$root/tools" "$root/logs"
cp "$source_folder/run.sh" "$root/"
printf '#!/bin/sh\nexit 0\n' > "$root/scripts/install-deps.sh"
printf '#!/bin/sh\nexit 0\n' > "$root/tools/cmake"
printf '#!/bin/sh\necho "kovo-probe: phony"\necho "kovo-simulator: phony"\n' > "$root/tools/ninja"
ln -s "$simulator" "$root/build/bin/kovo-simulator"
cat > "$root/build/bin/kovo-probe" << 'EOF'
#!/usr/bin/env bash
# Reports to $PROBE_LOG; with $PROBE_HOLD, asks the monitor once more after
# that file appears.
log=$PROBE_LOG
echo "args: $*" >> "$log"
echo "link: $KOVO_COM1" >> "$log"
for p in $(pgrep -P "$PPID"); do
  cmd=$(tr '\0' ' ' < "/proc/$p/cmdline" 2>/dev/null || true)
  case "$cmd" in *kovo-simulator*) echo "simulator: ${cmd% }" >> "$log" ;; esac
done
ask() {
  local reply=
  if [ -e "$KOVO_COM1" ] && stty -F "$KOVO_COM1" raw -echo 2>/dev/null; then
    exec 3<> "$KOVO_COM1"
    printf 'EX_S?\n' >&3
    # The first line with something on it: the end of an earlier reply may
    # still be waiting.
    while [ -z "$reply" ] && read -t 5 -r reply <&3; do reply=${reply%$'\r'}; done
    exec 3>&-
  fi
  if [ -n "$reply" ]; then echo "answered" >> "$log"; else echo "silent" >> "$log"; fi
}
ask
if [ -n "${PROBE_HOLD:-}" ]; then
  # Nor does it outlive the test's folder.
  while [ ! -e "$PROBE_HOLD" ] && [ -d "${PROBE_HOLD%/*}" ]; do sleep 0.05; done
  ask
fi
EOF
chmod +x "$root/scripts/install-deps.sh" "$root/tools/"* "$root/build/bin/kovo-probe"
export PATH="$root/tools:$PATH"
export KOVO_PROGRAM_FOLDER="$root/run"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# Waits (at most 20 s) until the file holds the line.
wait_for() {
  for _ in $(seq 400); do
    grep -qx -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "$1 never said '$2': $(cat "$1" 2>/dev/null)"
}
value() { sed -n "s/^$2: //p" "$1" | head -n 1; }

case "$case_name" in
  two-runs)
    # One program runs; a second starts and ends beside it; the first one's
    # monitor still answers, and each link goes with its own run.
    PROBE_LOG="$root/logs/first" PROBE_HOLD="$root/release" "$root/run.sh" probe > /dev/null 2>&1 &
    runs+=($!)
    wait_for "$root/logs/first" answered
    PROBE_LOG="$root/logs/second" "$root/run.sh" probe > /dev/null 2>&1 || fail "the second run failed"
    grep -qx answered "$root/logs/second" || fail "the second run's monitor did not answer"
    first=$(value "$root/logs/first" link)
    second=$(value "$root/logs/second" link)
    [ "$first" != "$second" ] || fail "both runs used $first"
    [ ! -e "$second" ] || fail "the second run left $second behind"
    [ -e "$first" ] || fail "the second run took $first away"
    touch "$root/release"
    wait "${runs[0]}" || fail "the first run failed"
    [ "$(grep -c -x answered "$root/logs/first")" = 2 ] || fail "the first run's monitor stopped answering"
    [ ! -e "$first" ] || fail "the first run left $first behind"
    ;;
  options)
    # The simulated monitor's options go to it, wherever they stand; the
    # rest to the program.
    PROBE_LOG="$root/logs/passed" "$root/run.sh" probe --interval-ms 3000 1 -platform offscreen --steady /Embedding \
      > /dev/null 2>&1 || fail "the run failed"
    [ "$(value "$root/logs/passed" args)" = "1 -platform offscreen /Embedding" ] ||
      fail "the program got: $(value "$root/logs/passed" args)"
    simulator_line=$(value "$root/logs/passed" simulator)
    [[ "$simulator_line" == *" --interval-ms 3000 --steady" ]] || fail "the simulated monitor got: $simulator_line"
    # What nobody takes is refused, naming it and what each takes, before
    # anything runs.
    while IFS='|' read -r arguments expected; do
      read -r -a words <<< "$arguments"
      rm -f "$root/logs/refused"
      status=0
      PROBE_LOG="$root/logs/refused" "$root/run.sh" probe "${words[@]}" > /dev/null 2> "$root/logs/error" || status=$?
      [ "$status" = 2 ] || fail "$arguments: ended with $status"
      [ ! -e "$root/logs/refused" ] || fail "$arguments: the program ran"
      message=$(cat "$root/logs/error")
      [[ "$message" == "run.sh: $expected. run.sh takes --port DEVICE; the simulated monitor takes "*"--interval-ms N"*"--memory FILE"*"; kovo-probe takes arguments that do not begin with --." ]] ||
        fail "$arguments: said '$message'"
      [[ "$message" != *"takes --link"* && "$message" != *", --link"* ]] || fail "$arguments: offered --link"
    done << 'CASES'
--intervall 3000|--intervall is no option of run.sh, of the simulated monitor or of kovo-probe
1 --interval-ms|--interval-ms needs N
--port|--port needs a device, e.g. /dev/ttyUSB0
--port /dev/null --steady|--steady is an option of the simulated monitor, which --port leaves out
--link /tmp/elsewhere|--link is run.sh's own: each run has a link of its own
CASES
    ;;
  *) fail "no case $case_name" ;;
esac
