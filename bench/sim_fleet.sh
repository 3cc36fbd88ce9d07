# Simulators for a bench, in a ports folder of their own. Sourced by a bench
# after it has set $sim (the t418-sim program) and $work (its temporary folder):
# sets XDG_RUNTIME_DIR and $ports, keeps the simulators' pids in $sims.
#   start_sim NAME [OPTIONS...]  starts one and waits for its port link
#   stop_sims                    ends every simulator started so far
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR"
ports=$XDG_RUNTIME_DIR/t418-ports
sims=()

start_sim() {
  local name=$1
  shift
  "$sim" --name "$name" "$@" >"$work/$name.out" 2>&1 &
  sims+=($!)
  for _ in $(seq 200); do [[ -e $ports/$name ]] && return; sleep 0.05; done
  echo "the simulator $name did not start" >&2
  exit 1
}

stop_sims() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${sims[@]}"; do wait "$pid" 2>/dev/null || true; done
  sims=()
}
