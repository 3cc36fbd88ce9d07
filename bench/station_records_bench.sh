#!/usr/bin/env bash
# A production line with its records database: one `t418ctl station` writes a
# configuration (written and verified) into 32 simulators plugged in at once and keeps
# a record of each in SQLite, then in PostgreSQL. Two figures per database:
#  - time per terminal: the mean of the 32 terminals' own run times over the
#    run time of one terminal provisioned alone by the same station command
#    (goal: at most 1.3);
#  - the database's share: the time the station spent in the store's calls
#    (it says so when it stops) over the station's wall time from its start to
#    its 32nd record (goal: under 2 %).
#
#   bench/station_records_bench.sh [BUILD_FOLDER] [TERMINALS]   (defaults: build, 32)
#
# PostgreSQL is a throwaway server from Debian's postgresql package (initdb
# into a temporary folder, a Unix socket only; run as the postgres user when
# started by root); without it only SQLite is measured, and that is said.
set -euo pipefail

build=${1:-build}
count=${2:-32}
sim=$build/tools/t418-sim
ctl=$build/src/ctl/t418ctl
for program in "$sim" "$ctl"; do
  [[ -x $program ]] || { echo "missing $program: build the targets t418-sim and t418ctl" >&2; exit 2; }
done
fixture=$(dirname "$0")/../tests/fixtures/configs/net_sockets.state

work=$(mktemp -d)
chmod 755 "$work"
pg_pid=
cleanup() {
  stop_sims
  if [[ -n $pg_pid ]]; then kill -INT "$pg_pid" 2>/dev/null || true; wait "$pg_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/sim_fleet.sh"

start_sim source --config "$fixture"
"$ctl" read "$ports/source" -o "$work/line.ini" --delay 0 >/dev/null
stop_sims

now() { date +%s.%N; }

# provision DB N: a station writes line.ini into N fresh simulators plugged in
# before it starts; sets $wall (start to the Nth record), $store (seconds in
# the store's calls) and $mean (mean own time of a terminal, from the records).
provision() {
  local db=$1 n=$2 round=$3
  local report=$work/report-$round.jsonl
  for i in $(seq "$n"); do start_sim "r$round-$i" --state "$work/r$round-$i.state"; done
  local started
  started=$(now)
  "$ctl" station "$work/line.ini" --delay 0 --db "$db" --station bench --report "$report" \
    --match "$ports/r$round-*" >/dev/null 2>"$work/station-$round.err" &
  local station=$!
  while [[ ! -f $report || $(wc -l <"$report") -lt $n ]]; do
    kill -0 "$station" 2>/dev/null || { cat "$work/station-$round.err" >&2; exit 1; }
    sleep 0.01
  done
  wall=$(echo "$(now) - $started" | bc -l)
  kill -INT "$station"
  wait "$station" || true
  stop_sims
  store=$(sed -n 's/.*records database: .* kept, .* lost, \([0-9.]*\) s in its calls.*/\1/p' "$work/station-$round.err")
  [[ -n $store ]] || { echo "the station did not say its records time:" >&2; cat "$work/station-$round.err" >&2; exit 1; }
  local failed
  failed=$(python3 -c 'import json,sys; print(sum(json.loads(l)["result"] != "ok" for l in open(sys.argv[1])))' "$report")
  [[ $failed = 0 ]] || { echo "$failed terminals failed:" >&2; cat "$report" >&2; exit 1; }
  mean=$("$ctl" records --db "$db" --station bench --last "$n" --json |
    python3 -c 'import json,sys; r=json.load(sys.stdin); print(sum(x["seconds"] for x in r)/len(r))')
}

measure() {  # label, database
  local label=$1 db=$2
  provision "$db" 1 "$label-one"
  local alone=$mean
  provision "$db" "$count" "$label-all"
  printf '%-10s one terminal alone: %.2f s; %d at once: %.2f s each on average, %.2f s in all\n' \
    "$label" "$alone" "$count" "$mean" "$wall"
  printf '%-10s time per terminal: %.2f x alone (goal <= 1.3)\n' "$label" "$(echo "$mean / $alone" | bc -l)"
  printf '%-10s database: %.3f s of %.2f s, %.2f %% (goal < 2 %%)\n' \
    "$label" "$store" "$wall" "$(echo "100 * $store / $wall" | bc -l)"
}

measure sqlite "$work/records.db"

# A throwaway PostgreSQL server.
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [[ -z $bin || ! -x $bin/initdb ]]; then
  echo "postgresql: not measured, no server installed (Debian package postgresql)"
  exit 0
fi
as_server=()
pg=$work/pg
mkdir -p "$pg"
if [[ $(id -u) = 0 ]]; then
  chown postgres: "$pg"
  as_server=(setpriv --reuid=postgres --regid=postgres --init-groups)  # exec, so $pg_pid is the server
fi
"${as_server[@]}" "$bin/initdb" -D "$pg/data" -U t418 --auth=trust >"$work/initdb.log" 2>&1 ||
  { cat "$work/initdb.log" >&2; exit 1; }
port=$((20000 + RANDOM % 20000))
"${as_server[@]}" "$bin/postgres" -D "$pg/data" -k "$pg" -p "$port" -c listen_addresses= \
  -c fsync=on -c max_connections=50 >"$work/postgres.log" 2>&1 &
pg_pid=$!
for _ in $(seq 200); do [[ -S $pg/.s.PGSQL.$port ]] && break; sleep 0.05; done
[[ -S $pg/.s.PGSQL.$port ]] || { cat "$work/postgres.log" >&2; exit 1; }
psql=$(command -v psql || true)
if [[ -n $psql ]]; then
  "$psql" "host=$pg port=$port user=t418 dbname=postgres" -qc "CREATE DATABASE records" >/dev/null
  measure postgresql "host=$pg port=$port user=t418 dbname=records"
else
  measure postgresql "host=$pg port=$port user=t418 dbname=postgres"
fi
