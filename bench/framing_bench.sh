#!/usr/bin/env bash
# Fast replies: a full read against t418-sim at 115200 baud with the option off
# and on (pause 0 both times), next to the wire time of the bytes exchanged;
# first through the session (bench_framing, exact byte counts), then as a user
# runs it: `t418ctl read --delay 0` against `t418ctl read --fast`.
#
#   bench/framing_bench.sh [BUILD_FOLDER] [RUNS]     (defaults: build, 3)
#
# Build first: cmake -DT418_BUILD_BENCHMARKS=ON, targets bench_framing t418ctl t418-sim.
set -euo pipefail

build=${1:-build}
runs=${2:-3}
bench=$build/bench/bench_framing
sim=$build/tools/t418-sim
ctl=$build/src/ctl/t418ctl
for program in "$bench" "$sim" "$ctl"; do
  [[ -x $program ]] || { echo "missing $program: build the targets bench_framing, t418-sim and t418ctl" >&2; exit 2; }
done

"$bench" "$runs"

work=$(mktemp -d)
sim_pid=
cleanup() {
  if [[ -n $sim_pid ]]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s.%N; }

# One t418ctl read against a fresh simulator; sets elapsed (seconds).
ctl_read() {
  mkdir -p "$work/run"
  coproc SIM { XDG_RUNTIME_DIR=$work/run exec "$sim" --name framing$RANDOM --baud 115200 --latency 0 2>>"$work/sim.err"; }
  sim_pid=$SIM_PID
  local port t0 t1
  read -r port <&"${SIM[0]}"
  t0=$(now)
  "$ctl" read "$port" "$@" >"$work/values.txt" 2>"$work/ctl.err" || { cat "$work/ctl.err" >&2; exit 1; }
  t1=$(now)
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
  elapsed=$(echo "$t1 - $t0" | bc -l)
}

# The best of the runs; sets best.
best_of_runs() {
  best=
  for ((i = 0; i < runs; i++)); do
    ctl_read "$@"
    if [[ -z $best ]] || (($(echo "$elapsed < $best" | bc -l))); then best=$elapsed; fi
  done
}

best_of_runs --delay 0
slow=$best
cp "$work/values.txt" "$work/values-slow.txt"
best_of_runs --fast
fast=$best
cmp -s "$work/values-slow.txt" "$work/values.txt" || { echo "t418ctl read --fast printed other values" >&2; exit 1; }
printf 't418ctl read --delay 0: %7.3f s  (process start and port opening included)\n' "$slow"
printf 't418ctl read --fast:    %7.3f s\n' "$fast"
printf 'off / on:               %7.2f\n' "$(echo "$slow / $fast" | bc -l)"
