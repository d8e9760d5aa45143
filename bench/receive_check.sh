#!/bin/sh
# Whole-program check of the receive path: do vorlant-log and the window
# lose a reading when they are slow to reach the port? The simulator numbers
# its readings (--numbered: reading N shows 1000 + N ohms) and sends one
# every 13.5 ms, the link's fastest (about 74 a second); the logger's CSV and
# the window's log must then hold consecutive numbers, each once, in order.
#
#   bench/receive_check.sh BIN_DIR [READINGS]
#
# BIN_DIR holds vorlant-log, meter-sim, libportvane.so and
# window_receive_check (bench/window_receive_check.cpp). For each of the two:
# 1. READINGS (default 10 000) readings while two CPU-bound processes run
#    beside it;
# 2. 600 readings with it stopped (SIGSTOP) for 2 s in the middle and then
#    continued (SIGCONT).
# Everything runs under nice 10, so the machine's other work is not starved;
# the logger, the simulator and the two loads share that level.
# Prints, per run: readings logged, readings missing, readings out of order,
# and vorlant-log's messages.
set -eu

bin=${1:?usage: $0 BIN_DIR [READINGS]}
readings=${2:-10000}
work=$(mktemp -d)
pids=
cleanup() {
  for pid in $pids; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

lines() { if [ -f "$1" ]; then echo $(( $(wc -l <"$1") - 1 )); else echo 0; fi; }

# Readings missing between the first and the last logged one, and steps back.
judge() {
  awk -F, 'NR > 1 { v = $5 - 1000; if (NR > 2) { if (v > p + 1) lost += v - p - 1; if (v <= p) back++ } p = v; n++ }
           END { printf "  logged %d, missing %d, out of order %d\n", n, lost, back }' "$1"
}

start_sim() {
  nice -n 10 "$bin/meter-sim" --link "$work/dongle" --part R=1k --numbered --frame-gap-ms 13.5 \
    >"$work/sim.out" 2>"$work/sim.err" &
  sim=$!
  pids="$pids $sim"
  while [ ! -e "$work/dongle" ]; do sleep 0.1; done
}

stop_sim() {
  kill "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  rm -f "$work/dongle"
}

hogs_start() {
  nice -n 10 sh -c 'while :; do :; done' & hog1=$!
  nice -n 10 sh -c 'while :; do :; done' & hog2=$!
  pids="$pids $hog1 $hog2"
}
hogs_stop() {
  kill "$hog1" "$hog2"
  wait "$hog1" "$hog2" 2>/dev/null || true
}

echo "vorlant-log"
echo "1. $readings readings beside two CPU-bound processes"
start_sim
hogs_start
nice -n 10 "$bin/vorlant-log" --port "$work/dongle" --count "$readings" --output "$work/load.csv" \
  2>"$work/load.err" || echo "  vorlant-log ended with status $?"
hogs_stop
judge "$work/load.csv"
sed 's/^/  stderr: /' "$work/load.err"
stop_sim

echo "2. stopped for 2 s while readings flow"
start_sim
nice -n 10 "$bin/vorlant-log" --port "$work/dongle" --count 600 --output "$work/stop.csv" 2>"$work/stop.err" &
log=$!
pids="$pids $log"
while [ "$(lines "$work/stop.csv")" -lt 150 ]; do sleep 0.1; done
kill -STOP "$log"
before=$(lines "$work/stop.csv")
sleep 2
kill -CONT "$log"
status=0
wait "$log" || status=$?
echo "  stopped after $before readings; vorlant-log ended with status $status"
judge "$work/stop.csv"
sed 's/^/  stderr: /' "$work/stop.err"
stop_sim

# The window runs the simulator itself and prints its own figures.
echo "window"
echo "1. $readings readings beside two CPU-bound processes"
hogs_start
nice -n 10 "$bin/window_receive_check" "$readings" 2>"$work/window.err" | sed 's/^/  /'
hogs_stop

echo "2. stopped for 2 s while readings flow"
nice -n 10 "$bin/window_receive_check" 600 >"$work/window.out" 2>"$work/window.err" &
window=$!
pids="$pids $window"
while ! grep -q '^recording' "$work/window.out"; do sleep 0.1; done
sleep 2
kill -STOP "$window"
sleep 2
kill -CONT "$window"
status=0
wait "$window" || status=$?
echo "  stopped 2 s after recording began; window_receive_check ended with status $status"
sed 's/^/  /' "$work/window.out"
