#!/usr/bin/env bash
# Firmware upgrade speed: a 256 KiB image through the simulator's boot loader at
# 115200 baud, sent by t418ctl and by lrzsz's `sx -X` (a fresh simulator for
# each), next to the time the bytes alone take on the wire.
#
#   bench/firmware_upgrade_bench.sh [BUILD_FOLDER]     (default: build)
#
# Both times run from opening the port to the end of the transfer, the boot
# loader's dialogue ("F", "Y") included; t418ctl runs with --delay 0 and
# --no-restart. The wire time counts each 133-byte packet and its 1-byte ACK
# as 10 bits a byte.
set -euo pipefail

build=${1:-build}
sim=$build/tools/t418-sim
ctl=$build/src/ctl/t418ctl
baud=115200
size=$((256 * 1024))
for program in "$sim" "$ctl"; do
  [[ -x $program ]] || { echo "missing $program: build the targets t418-sim and t418ctl" >&2; exit 2; }
done
command -v sx >/dev/null || { echo "missing sx (lrzsz)" >&2; exit 2; }

work=$(mktemp -d)
sim_pid=
cleanup() {
  if [[ -n $sim_pid ]]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

image=$work/image.bin
head -c "$size" /dev/urandom >"$image"
packets=$(((size + 127) / 128))
expected=$work/expected.bin
cp "$image" "$expected"
pad=$(((128 - size % 128) % 128))
if ((pad)); then head -c "$pad" /dev/zero | tr '\0' '\032' >>"$expected"; fi

# Starts a simulator in its boot loader; sets sim_pid and port.
start_sim() {
  local out=$1
  mkdir -p "$work/run"
  coproc SIM { XDG_RUNTIME_DIR=$work/run exec "$sim" --name bench$RANDOM --bootloader --baud "$baud" --firmware-out "$out" 2>>"$work/sim.err"; }
  sim_pid=$SIM_PID
  read -r port <&"${SIM[0]}"
}

stop_sim() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
}

now() { date +%s.%N; }

check_image() {
  if ! cmp -s "$expected" "$1"; then echo "$2: the simulator stored a different image" >&2; exit 1; fi
}

# t418ctl
start_sim "$work/ours.bin"
t0=$(now)
"$ctl" upgrade "$port" "$image" --no-restart --delay 0 --wait 10 --baud "$baud" 2>"$work/ctl.err" ||
  { cat "$work/ctl.err" >&2; exit 1; }
t1=$(now)
stop_sim
check_image "$work/ours.bin" t418ctl
ours=$(echo "$t1 - $t0" | bc -l)

# sx -X: the dialogue by hand, then sx on the port
start_sim "$work/sx.bin"
t0=$(now)
exec 3<>"$port"
stty -F "$port" raw -echo "$baud"
read -r -d '>' -t 5 -u 3 _ || true   # the boot menu
printf F >&3
read -r -d '>' -t 5 -u 3 _ || true   # the update prompt
printf Y >&3
sx -X "$image" <&3 >&3 2>"$work/sx.err" || { cat "$work/sx.err" >&2; exit 1; }
t1=$(now)
exec 3<&-
stop_sim
check_image "$work/sx.bin" "sx -X"
theirs=$(echo "$t1 - $t0" | bc -l)

wire=$(echo "$packets * 134 * 10 / $baud" | bc -l)
printf 'image: %d bytes, %d packets, %d baud\n' "$size" "$packets" "$baud"
printf 't418ctl upgrade: %8.2f s\n' "$ours"
printf 'sx -X:           %8.2f s\n' "$theirs"
printf 'wire time:       %8.2f s  (packets x 134 bytes x 10 bits / baud)\n' "$wire"
printf 't418ctl / sx -X: %8.2f\n' "$(echo "$ours / $theirs" | bc -l)"
printf 't418ctl / wire:  %8.2f\n' "$(echo "$ours / $wire" | bc -l)"
printf 'sx -X / wire:    %8.2f\n' "$(echo "$theirs / $wire" | bc -l)"
