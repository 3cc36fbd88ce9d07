#!/usr/bin/env bash
# t418ctl.exe under Wine against this system's simulator: each simulator's
# pseudo-terminal is declared to Wine as a COM port, so the program talks to
# it through the Win32 serial calls. The same commands of this system's
# t418ctl are the reference for output and exit codes.
#
#   ctl_under_wine.sh T418CTL_EXE HOST_SIM HOST_CTL WINE
# WINEPREFIX names the Wine prefix; a wineserver of it may run already.
set -uo pipefail
exe=$1
sim=$2
host_ctl=$3
wine=$4
wineserver=$(dirname "$wine")/wineserver
work=$(mktemp -d)
failures=0
sims=()

cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# Runs t418ctl.exe; its output in $work/out, standard error in $work/err, exit code in $rc.
# Wine's console writes CR LF line ends; the values are compared without them.
ctl() {
  "$wine" "$exe" "$@" </dev/null >"$work/out.raw" 2>"$work/err.raw"
  rc=$?
  tr -d '\r' <"$work/out.raw" >"$work/out"
  tr -d '\r' <"$work/err.raw" >"$work/err"
}

# Waits up to 20 s for TEXT to appear in FILE.
wait_for_text() {
  for _ in $(seq 200); do
    grep -q "$1" "$2" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

expect_rc() {
  local want=$1 what=$2
  [ "$rc" = "$want" ] || fail "$what: exit $rc, expected $want; stderr: $(cat "$work/err")"
}

# Starts a simulator (options after the name); its pseudo-terminal in $pty, its number in $pid.
start_sim() {
  local name=$1
  shift
  "$sim" --name "$name" "$@" >"$work/$name.port" 2>"$work/$name.log" &
  pid=$!
  sims+=("$pid")
  for _ in $(seq 50); do
    [ -s "$work/$name.port" ] && break
    sleep 0.1
  done
  pty=$(head -1 "$work/$name.port")
}

# COM5 and the reference's simulator are one terminal: the same identity (a
# simulator makes its own from its name otherwise).
same_terminal=(--imei 868323028765432 --iccid 89860118802125746431 --sn 01200304628544767486)
start_sim winsim5_$$ "${same_terminal[@]}"
pty5=$pty
pid5=$pid
start_sim winsim6_$$ --firmware-out "$work/received.bin"
pty6=$pty
pid6=$pid
# The reference read of this system's build gets a simulator of its own: Wine
# refuses a pseudo-terminal that this system's build has set up before
# (GetCommState fails, most likely on the speed set the termios2 way).
start_sim winsim7_$$ "${same_terminal[@]}"
pty7=$pty
# Ports appear in HKLM\HARDWARE\DEVICEMAP\SERIALCOMM only when declared to Wine;
# the declaration takes effect with a new wineserver.
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$pty5" /f >/dev/null 2>&1 </dev/null
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM6 /d "$pty6" /f >/dev/null 2>&1 </dev/null
"$wineserver" -k 2>/dev/null
"$wineserver" -w 2>/dev/null
"$wineserver" -p >/dev/null 2>&1 </dev/null

# --help, ports and the usage errors, with the exit codes of this system's build.
ctl --help
expect_rc 0 "--help"
grep -q 'Exit codes:' "$work/out" || fail "--help prints no exit codes"
# The help shows Windows port names, and the names of the files a port's run writes.
grep -q "COM port such as COM3" "$work/out" && grep -q "('COM\*')" "$work/out" || fail "--help shows no COM ports: $(cat "$work/out")"
ctl read --help
expect_rc 0 "read --help"
grep -qF '\\.\COM12 or COM3' "$work/out" && grep -qF 'DIR/COM3_.ini' "$work/out" ||
  fail "read --help shows no COM ports or no file of one: $(cat "$work/out")"
ctl station --help
grep -qF "(e.g. 'COM*')" "$work/out" || fail "station --help shows no COM glob: $(cat "$work/out")"
for command in "" send read write diff upgrade station; do
  # shellcheck disable=SC2086
  ctl $command --help
  grep -E '/dev/|tty(USB|ACM)|dialout' "$work/out" && fail "t418ctl $command --help shows Linux port names"
done
ctl ports
expect_rc 0 "ports"
grep -qx 'COM5' "$work/out" && grep -qx 'COM6' "$work/out" || fail "ports does not list COM5 and COM6: $(cat "$work/out")"
for args in "frobnicate" "read" "read COM219" "read \\\\.\\COM219"; do
  # shellcheck disable=SC2086
  ctl $args
  case $args in
    *COM219*) want=5 ;;  # no such port, as for a missing device on this system
    *) want=$("$host_ctl" $args </dev/null >/dev/null 2>&1; echo $?) ;;
  esac
  expect_rc "$want" "t418ctl $args"
done

# A full read prints the same 70 values as this system's build, by a bare
# name and by the device name.
"$host_ctl" read "$pty7" --raw --delay 0 </dev/null >"$work/linux.values" 2>/dev/null
for port in COM5 '\\.\COM5'; do
  ctl read "$port" --raw --delay 0
  expect_rc 0 "read $port"
  [ "$(grep -c '=' "$work/out")" = 70 ] || fail "read $port printed $(grep -c '=' "$work/out") values, not 70"
  # The region catalogue beside the program is found.
  grep -q 'province' "$work/err" && fail "read $port: $(cat "$work/err")"
  cmp -s "$work/out" "$work/linux.values" || fail "read $port differs from this system's read: $(diff "$work/out" "$work/linux.values" | head -5)"
done

# Chinese values on a console: run on a pseudo-terminal, the program gets a
# Wine console drawn on it, which shows characters in this system's UTF-8.
# The bytes alone would be read in the console's code page (437 here) and
# show as other characters.
chinese=$(grep -a '^QCARINFO=' "$work/linux.values")
LC_ALL=C grep -q '[^ -~]' <<<"$chinese" || fail "the reference read holds no Chinese value: $chinese"
LANG=C.UTF-8 script -qec "'$wine' '$exe' read COM5 --raw --delay 0" /dev/null </dev/null >"$work/tty.raw" 2>&1
sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$work/tty.raw" | tr -d '\r' >"$work/tty"
grep -aqF "$chinese" "$work/tty" || fail "the console shows no '$chinese': $(grep -a QCARINFO "$work/tty")"

# A configuration read back, written with a verify, compared with diff.
ctl read COM5 -o 'C:\users\Public\t418-line.ini' --delay 0
expect_rc 0 "read -o"
ctl write COM5 'C:\users\Public\t418-line.ini' --verify --delay 0
expect_rc 0 "write --verify"
ctl diff COM5 'C:\users\Public\t418-line.ini' --delay 0
expect_rc 0 "diff"
# Several ports at once: a list and a glob over the COM names.
ctl diff COM5,COM6 'C:\users\Public\t418-line.ini' --delay 0
expect_rc 0 "diff over a list"
ctl write 'COM[56]' 'C:\users\Public\t418-line.ini' --verify --delay 0
expect_rc 0 "write --verify over a glob"
grep -q 'COM5' "$work/out" && grep -q 'COM6' "$work/out" || fail "the glob's table does not name both ports: $(cat "$work/out")"

# A firmware upgrade: the simulator's boot loader stores the image whole.
head -c 3000 /dev/urandom >"$work/fw.bin"
cp "$work/fw.bin" "$WINEPREFIX/drive_c/users/Public/t418-fw.bin"
# The user restarts the terminal with Reload held once the tool says it waits.
"$wine" "$exe" upgrade COM6 'C:\users\Public\t418-fw.bin' --no-restart --wait 20 </dev/null >"$work/out.raw" 2>"$work/err.raw" &
upgrader=$!
wait_for_text 'waiting up to' "$work/err.raw"
kill -USR1 "$pid6"
wait "$upgrader"
rc=$?
tr -d '\r' <"$work/err.raw" >"$work/err"
expect_rc 0 "upgrade"
cmp -s -n 3000 "$work/fw.bin" "$work/received.bin" || fail "the image the boot loader stored is not the one sent"

# Several ports' configurations in a folder: a file named COM5.ini would be
# the port itself, not a file.
ctl read 'COM[56]' -o 'C:\users\Public\t418-reads' --delay 0
expect_rc 0 "read -o over a glob"
for name in COM5_ COM6_; do
  grep -q '^\[' "$WINEPREFIX/drive_c/users/Public/t418-reads/$name.ini" 2>/dev/null ||
    fail "read -o over a glob wrote no $name.ini: $(ls "$WINEPREFIX/drive_c/users/Public/t418-reads" 2>&1)"
done
rm -rf "$WINEPREFIX/drive_c/users/Public/t418-reads"

# Ctrl+C: Wine hands SIGINT to the console control handler as CTRL_C_EVENT.
# The run ends as this system's build ends on SIGINT: the same message and
# exit code, and the port is let go. (Wine delivers no CTRL_CLOSE_EVENT
# without a console window, and SIGHUP or SIGTERM end a Wine process at once,
# so closing the console cannot be tested here.)
# interrupt_read OUT ERR PORT PROGRAM...: a read stopped after a few values, its exit code in $rc.
interrupt_read() {
  "${@:4}" read "$3" --raw </dev/null >"$1" 2>"$2" &
  local reader=$!
  wait_for_text 'WKMOD=' "$1"
  kill -INT "$reader"
  wait "$reader"
  rc=$?
}
interrupt_read "$work/linux.out" "$work/linux.err" "$pty7" "$host_ctl"
linux_rc=$rc
interrupt_read "$work/out.raw" "$work/err.raw" COM5 "$wine" "$exe"
tr -d '\r' <"$work/err.raw" >"$work/err"
expect_rc "$linux_rc" "read stopped by SIGINT"
[ "$linux_rc" = 130 ] || fail "this system's read stopped by SIGINT exits $linux_rc"
grep -q 'WKMOD=' "$work/out.raw" || fail "the read was stopped before it began: $(cat "$work/err")"
cmp -s "$work/err" "$work/linux.err" || fail "Ctrl+C says '$(cat "$work/err")', this system's build '$(cat "$work/linux.err")'"
ctl send COM5 AT+CSQ
expect_rc 0 "send after a read stopped by Ctrl+C"

# A lost port: the simulator ends in the middle of a read.
"$wine" "$exe" read COM5 --raw </dev/null >"$work/out.raw" 2>"$work/err.raw" &
reader=$!
sleep 3
kill "$pid5"
wait "$reader"
rc=$?
tr -d '\r' <"$work/err.raw" >"$work/err"
expect_rc 8 "read with the port lost"
grep -q 'went away during the run' "$work/err" || fail "no lost-port message: $(cat "$work/err")"

rm -f "$WINEPREFIX/drive_c/users/Public/t418-line.ini" "$WINEPREFIX/drive_c/users/Public/t418-fw.bin"
"$wine" reg delete 'HKLM\Software\Wine\Ports' /v COM5 /f >/dev/null 2>&1 </dev/null
"$wine" reg delete 'HKLM\Software\Wine\Ports' /v COM6 /f >/dev/null 2>&1 </dev/null
[ "$failures" = 0 ] && echo "t418ctl.exe under Wine: every check passed"
exit "$failures"
