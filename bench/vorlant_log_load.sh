#!/bin/sh
# CPU and memory of vorlant-log while the simulator sends readings at the
# link's fastest (one every 13.5 ms, about 74 a second).
#
#   bench/vorlant_log_load.sh BIN_DIR [READINGS] [SPAN_SECONDS]
#
# BIN_DIR holds vorlant-log, meter-sim and libportvane.so (a Release build:
# build/release/bin). The logger judges every reading against a tolerance and
# writes CSV to a file. CPU is the logger's user + system time from
# /proc/<pid>/stat over a fixed span of SPAN_SECONDS (default 60) once
# logging runs, as a share of one core; memory is its resident size
# (VmRSS) at 1 000, 10 000, 50 000 and READINGS (default 100 000) lines.
set -eu

bin=${1:?usage: $0 BIN_DIR [READINGS] [SPAN_SECONDS]}
readings=${2:-100000}
span=${3:-60}
ticks=$(getconf CLK_TCK)
work=$(mktemp -d)
sim_pid=
log_pid=
cleanup() {
  [ -n "$log_pid" ] && kill "$log_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

"$bin/meter-sim" --link "$work/dongle" --part C=100n,ESR=0.2 --noise 0.5 --frame-gap-ms 13.5 \
  >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
while [ ! -e "$work/dongle" ]; do sleep 0.1; done

"$bin/vorlant-log" --port "$work/dongle" --count "$((readings + 500))" --primary C --nominal 100n --tol 5% \
  --output "$work/readings.csv" 2>"$work/log.err" &
log_pid=$!

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$log_pid/stat"; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$log_pid/status"; }
lines() { if [ -f "$work/readings.csv" ]; then echo $(( $(wc -l <"$work/readings.csv") - 1 )); else echo 0; fi; }

# Logging has begun once the first line is there.
while [ "$(lines)" -lt 1 ]; do sleep 0.2; done
start_ticks=$(cpu_ticks); start_lines=$(lines); start_time=$(date +%s.%N)
sleep "$span"
end_ticks=$(cpu_ticks); end_lines=$(lines); end_time=$(date +%s.%N)
awk -v t="$((end_ticks - start_ticks))" -v hz="$ticks" -v s="$start_time" -v e="$end_time" \
    -v n="$((end_lines - start_lines))" \
  'BEGIN { w = e - s; printf "cpu: %.2f %% of one core over %.1f s (%d readings, %.1f per second)\n", 100 * t / hz / w, w, n, n / w }'

for mark in 1000 10000 50000 "$readings"; do
  [ "$mark" -gt "$readings" ] && continue
  while kill -0 "$log_pid" 2>/dev/null && [ "$(lines)" -lt "$mark" ]; do sleep 0.5; done
  if kill -0 "$log_pid" 2>/dev/null; then
    echo "rss after $(lines) readings: $(rss_kb) kB"
  fi
done
status=0
wait "$log_pid" || status=$?
log_pid=
echo "vorlant-log ended with status $status after $(lines) readings"
[ -s "$work/log.err" ] && sed 's/^/  stderr: /' "$work/log.err"
exit 0
