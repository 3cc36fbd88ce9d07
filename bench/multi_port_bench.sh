#!/usr/bin/env bash
# Several ports at once: the wall time of `t418ctl write FILE --verify` on eight
# simulators in one call over its time on one of them (goal: at most 1.5).
#
#   bench/multi_port_bench.sh [BUILD_FOLDER] [RUNS]     (defaults: build, 3)
#
# The simulators run in a ports folder of their own (XDG_RUNTIME_DIR in a
# temporary folder); the file is what `t418ctl read -o` made of one holding the
# fixture net_sockets. Each figure is the median of RUNS runs, --delay 0.
set -euo pipefail

build=${1:-build}
runs=${2:-3}
sim=$build/tools/t418-sim
ctl=$build/src/ctl/t418ctl
for program in "$sim" "$ctl"; do
  [[ -x $program ]] || { echo "missing $program: build the targets t418-sim and t418ctl" >&2; exit 2; }
done
fixture=$(dirname "$0")/../tests/fixtures/configs/net_sockets.state

work=$(mktemp -d)
cleanup() {
  stop_sims
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/sim_fleet.sh"

start_sim source --config "$fixture"
for i in $(seq 0 7); do start_sim "line$i" --state "$work/line$i.state"; done
"$ctl" read "$ports/source" -o "$work/line.ini" --delay 0 >/dev/null

# Median wall time in seconds of a t418ctl command.
median_time() {
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$ctl" "$@" --delay 0 >/dev/null 2>&1 || { echo "t418ctl $* failed" >&2; exit 1; }
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

one=$(median_time write "$ports/line0" "$work/line.ini" --verify)
eight=$(median_time write "$ports/line*" "$work/line.ini" --verify)
printf 'one port:    %.2f s\n' "$one"
printf 'eight ports: %.2f s\n' "$eight"
printf 'ratio:       %.2f (goal <= 1.5)\n' "$(echo "$eight / $one" | bc -l)"
