#!/bin/sh
# Many stations, one broker: STATIONS simulators and STATIONS vorlant-logs
# (default 20), each at 10 readings a second, publishing to one mosquitto on
# this machine for SPAN_SECONDS (default 60). Then every station is stopped
# with SIGTERM, and the subscriber's copy is checked: every seq of every
# station, 1 to the station's last CSV line, arrived.
#
#   bench/mqtt_scale_run.sh BIN_DIR [STATIONS] [SPAN_SECONDS]
#
# BIN_DIR holds vorlant-log, meter-sim and libportvane.so (a Release build:
# build/release/bin). CPU is user + system time from /proc/<pid>/stat over the
# span, once every station logs, as a share of one core: per station (the
# logger alone, mean and highest) and for the broker.
set -eu

bin=${1:?usage: $0 BIN_DIR [STATIONS] [SPAN_SECONDS]}
stations=${2:-20}
span=${3:-60}
ticks=$(getconf CLK_TCK)
work=$(mktemp -d)
pids=
cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\nmax_queued_messages 100000\n' "$port" \
  >"$work/mosquitto.conf"
[ "$(id -u)" = 0 ] && echo "user root" >>"$work/mosquitto.conf"
/usr/sbin/mosquitto -c "$work/mosquitto.conf" 2>"$work/broker.err" &
broker=$!
pids="$broker"
until /usr/bin/mosquitto_pub -h 127.0.0.1 -p "$port" -t probe -n 2>/dev/null; do sleep 0.1; done
/usr/bin/mosquitto_sub -h 127.0.0.1 -p "$port" -q 1 -t 'vorlant/+/reading' >"$work/received.jsonl" &
sub=$!
pids="$pids $sub"

loggers=
i=1
while [ "$i" -le "$stations" ]; do
  "$bin/meter-sim" --link "$work/dongle$i" --part R=1k --numbered --frame-gap-ms 100 >/dev/null 2>&1 &
  pids="$pids $!"
  while [ ! -e "$work/dongle$i" ]; do sleep 0.05; done
  XDG_STATE_HOME="$work/state" "$bin/vorlant-log" --port "$work/dongle$i" --output "$work/s$i.csv" \
    --mqtt "mqtt://127.0.0.1:$port" --station "s$i" 2>"$work/s$i.err" &
  loggers="$loggers $!"
  pids="$pids $!"
  i=$((i + 1))
done

lines() { if [ -f "$1" ]; then echo $(( $(wc -l <"$1") - 1 )); else echo 0; fi; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
i=1
while [ "$i" -le "$stations" ]; do
  while [ "$(lines "$work/s$i.csv")" -lt 1 ]; do sleep 0.2; done
  i=$((i + 1))
done

start_time=$(date +%s.%N)
: >"$work/start"
for p in $loggers $broker; do echo "$p $(cpu_ticks "$p")" >>"$work/start"; done
sleep "$span"
end_time=$(date +%s.%N)
: >"$work/end"
for p in $loggers $broker; do echo "$p $(cpu_ticks "$p")" >>"$work/end"; done

for p in $loggers; do kill -TERM "$p"; done
status=0
for p in $loggers; do wait "$p" || status=1; done
[ "$status" = 0 ] || { echo "a station did not end cleanly"; cat "$work"/s*.err; exit 1; }
sleep 2
kill "$sub"

wall=$(awk -v s="$start_time" -v e="$end_time" 'BEGIN { print e - s }')
join "$work/start" "$work/end" | awk -v hz="$ticks" -v w="$wall" -v b="$broker" -v n="$stations" '
  { pct = 100 * ($3 - $2) / hz / w
    if ($1 == b) broker = pct; else { sum += pct; if (pct > top) top = pct } }
  END { printf "span %.1f s, %d stations at 10 readings/s\n", w, n
        printf "cpu per station (vorlant-log): mean %.2f %%, highest %.2f %% of one core\n", sum / n, top
        printf "cpu of the broker: %.2f %% of one core\n", broker }'

# Every station: seq 1 .. its CSV lines, each at least once.
missing=0
duplicates=0
i=1
while [ "$i" -le "$stations" ]; do
  expected=$(lines "$work/s$i.csv")
  grep -o "\"station\":\"s$i\",\"seq\":[0-9]*" "$work/received.jsonl" | sed 's/.*://' | sort -n >"$work/seq$i"
  got=$(sort -nu "$work/seq$i" | awk -v n="$expected" '$1 >= 1 && $1 <= n' | wc -l)
  missing=$((missing + expected - got))
  duplicates=$((duplicates + $(wc -l <"$work/seq$i") - $(sort -nu "$work/seq$i" | wc -l)))
  i=$((i + 1))
done
total=$(cat "$work"/s*.csv | grep -vc '^time' || true)
echo "readings logged: $total, missing at the subscriber: $missing, duplicates: $duplicates"
[ "$missing" = 0 ]
