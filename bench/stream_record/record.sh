#!/usr/bin/env bash
# record.sh BIN_DIR OUT_DIR
#
# Records one fixed set of simulated readings through every output of
# vorlant-log (CSV, JSON lines, MQTT, SCPI) into OUT_DIR, so that two builds
# can be compared with compare.sh. BIN_DIR is a release build's bin folder
# (meter-sim, vorlant-log). Only 127.0.0.1 is used; everything runs in a
# private temporary folder that is removed at the end, and every process
# started here is ended, also on failure or Ctrl-C.
#
# What is made equal between runs, and nothing else:
#   - the time of each reading (ISO 8601) is replaced by <TIME>;
#   - the logged stream is cut to a fixed window that starts at a fixed point
#     of the simulator's part cycle, and "position" / "seq" are written less
#     the number of readings dropped before that window (see streamtool.py);
#   - the broker's and the SCPI server's port numbers, which this script
#     picks, are written as <PORT>.
# The window (vorlant) is not run: its shared settings folder
# /var/tmp/RLC_Data cannot be moved elsewhere.

set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 BIN_DIR OUT_DIR" >&2
    exit 2
fi

HERE=$(cd "$(dirname "$0")" && pwd)
TOOL="$HERE/streamtool.py"
BIN=$(cd "$1" && pwd)
OUT=$2
for prog in meter-sim vorlant-log; do
    [ -x "$BIN/$prog" ] || { echo "record: $BIN/$prog is missing" >&2; exit 2; }
done
for prog in mosquitto mosquitto_sub mosquitto_pub python3 timeout; do
    command -v "$prog" >/dev/null || { echo "record: $prog is not installed" >&2; exit 2; }
done
# A record folder is replaced as a whole, but never a folder that holds something else.
if [ -e "$OUT" ]; then
    if [ -n "$(ls -A "$OUT")" ] && [ ! -f "$OUT/record.txt" ]; then
        echo "record: $OUT is not empty and holds no earlier record" >&2
        exit 2
    fi
    rm -rf "$OUT"
fi
mkdir -p "$OUT"/{inputs,log,mqtt,scpi}
OUT=$(cd "$OUT" && pwd)

WORK=$(mktemp -d /tmp/vorlant-streams.XXXXXX)
PIDS=()

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    local p
    for p in "${PIDS[@]}"; do
        kill -TERM "$p" 2>/dev/null || true
    done
    for p in "${PIDS[@]}"; do
        for _ in $(seq 30); do
            kill -0 "$p" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$p" 2>/dev/null || true
        wait "$p" 2>/dev/null || true
    done
    rm -rf "$WORK"
    [ $status -eq 0 ] || echo "record: FAILED (status $status); $OUT is incomplete" >&2
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Nothing of the user's: home, settings and state (the MQTT spool) are private.
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_STATE_HOME="$WORK/home/.local/state"
export XDG_RUNTIME_DIR="$WORK/run" TZ=UTC LC_ALL=C.UTF-8
unset PORTVANE_PORT VORLANT_MQTT_PASSWORD
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

GAP_MS=50   # 20 readings a second: short runs, well clear of the link's limit
CYCLE=2     # readings per part

say() { echo "record: $*" >&2; }

# Starts a program in the background at low priority and remembers it.
spawn() {
    nice -n 10 "$@" &
    PIDS+=($!)
    LAST_PID=$!
}

forget() {
    local p kept=()
    for p in "${PIDS[@]}"; do [ "$p" = "$1" ] || kept+=("$p"); done
    PIDS=("${kept[@]}")
}

# Ends one remembered program and waits for it.
finish() {
    local pid=$1
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    forget "$pid"
}

wait_for() { # SECONDS COMMAND...: until the command succeeds
    local tries=$(( $1 * 10 )); shift
    while ! "$@"; do
        tries=$((tries - 1))
        [ $tries -gt 0 ] || { say "gave up waiting for: $*"; return 1; }
        sleep 0.1
    done
}

# start_sim NAME ARGS...: a simulator with its own link path in $DONGLE.
start_sim() {
    local name=$1; shift
    DONGLE="$WORK/$name.dongle"
    spawn "$BIN/meter-sim" --link "$DONGLE" --frame-gap-ms "$GAP_MS" "$@" \
        >"$WORK/$name.sim.out" 2>"$WORK/$name.sim.err"
    SIM_PID=$LAST_PID
    wait_for 10 test -e "$DONGLE"
}

# run_logger NAME ARGS...: vorlant-log against $DONGLE until its --count is done.
run_logger() {
    local name=$1; shift
    local status=0
    spawn timeout 90 "$BIN/vorlant-log" --port "$DONGLE" "$@" 2>"$WORK/$name.err"
    wait "$LAST_PID" || status=$?
    forget "$LAST_PID"
    echo "exit status $status" >"$OUT/log/$name.status"
    if [ $status -ne 0 ]; then
        say "vorlant-log ($name) ended with status $status:"
        cat "$WORK/$name.err" >&2
    fi
    return 0
}

# Port numbers are this script's choice, not the program's output.
mask_port() { sed -e "s/127\.0\.0\.1:$1\b/127.0.0.1:<PORT>/g" "$2"; }

# --- inputs -----------------------------------------------------------------

python3 "$TOOL" profile "$WORK/parts.hex1"
cat >"$WORK/grades.json" <<'EOF'
{"format": "vorlant-bins/1", "parameter": "C", "unit": "nF", "nominal": "line",
 "mode": "nested", "bins": [{"tolerance": 1}, {"tolerance": 2}, {"tolerance": 5}],
 "secondary": {"parameter": "D", "max": 0.01}}
EOF
cp "$WORK/parts.hex1" "$WORK/grades.json" "$OUT/inputs/"
JUDGE=(--profile "$WORK/parts.hex1" --line 2 --bins "$WORK/grades.json")

# Against profile line 2 (C 100 nF +-2 %, D < 0.01) and the +-1/2/5 % plan:
RLCD_PARTS=(C=100n,ESR=0.2   # pass, BIN1
            C=101.5n,ESR=0.2 # pass, BIN2
            C=104n,ESR=0.2   # reject (main), BIN3
            C=100n,ESR=50    # reject (secondary), AUX
            C=110n,ESR=0.2   # reject, OUT
            R=1k)            # another parameter: OUT
RD_PARTS=(diode diode,Vf=0.3 R=1k)
U_PARTS=(U=3.3 U=-1.5 R=1k)
# MQTT: capacitors only, so the meter's reported settings never change with
# the part and the retained settings message does not depend on where the
# cycle stood when the run ended.
MQTT_PARTS=(C=100n,ESR=0.2 C=101.5n,ESR=0.2 C=104n,ESR=0.2 C=100n,ESR=50 C=110n,ESR=0.2)

part_args() { local p; for p in "$@"; do printf -- '--part\n%s\n' "$p"; done; }

{
    echo "simulator: meter-sim --frame-gap-ms $GAP_MS --cycle $CYCLE (no noise, not numbered)"
    echo "judging:   ${JUDGE[*]}" | sed "s|$WORK/||g"
    echo "RLCD parts: ${RLCD_PARTS[*]}"
    echo "RD parts:   ${RD_PARTS[*]} (--mode RD)"
    echo "U parts:    ${U_PARTS[*]} (--mode U)"
    echo "MQTT parts: ${MQTT_PARTS[*]}"
    echo "Each run logs 3 whole part cycles; the record keeps 2 cycles from the first"
    echo "change onto the part whose masked line sorts first. Masked: reading times"
    echo "(<TIME>), port numbers chosen by the harness (<PORT>); position and seq are"
    echo "written less the readings dropped before the window."
} >"$OUT/record.txt"

# --- 1. CSV and JSON lines, RLCD, RD and U ----------------------------------

# log_stream NAME MODE_ARGS PARTS...: one run per format, each cut to its window.
log_stream() {
    local name=$1 mode=$2; shift 2
    local period=$(( $# * CYCLE ))
    local fmt
    for fmt in csv jsonl; do
        say "logging $name as $fmt"
        local parts
        mapfile -t parts < <(part_args "$@")
        start_sim "$name-$fmt" --cycle "$CYCLE" "${parts[@]}"
        # shellcheck disable=SC2086 # MODE_ARGS is empty or "--mode X"
        run_logger "$name.$fmt" $mode "${JUDGE[@]}" --format "$fmt" --count $((3 * period)) \
            -o "$WORK/$name.$fmt"
        finish "$SIM_PID"
        python3 "$TOOL" window "$fmt" "$WORK/$name.$fmt" "$OUT/log/$name.$fmt" $((2 * period)) >/dev/null
        # Three whole cycles: the bin tally at the end is the same whatever the phase.
        cp "$WORK/$name.$fmt.err" "$OUT/log/$name.$fmt.stderr"
    done
}

log_stream rlcd "" "${RLCD_PARTS[@]}"
log_stream rd "--mode RD" "${RD_PARTS[@]}"
log_stream u "--mode U" "${U_PARTS[@]}"

# --- 2. MQTT ----------------------------------------------------------------

say "publishing to a private broker"
MQTT_PORT=""
for _ in 1 2 3; do
    port=$(python3 "$TOOL" free-port)
    mkdir -p "$WORK/broker"
    printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\n' "$port" >"$WORK/broker/mosquitto.conf"
    spawn mosquitto -c "$WORK/broker/mosquitto.conf" >>"$WORK/broker/log" 2>&1
    BROKER_PID=$LAST_PID
    # Up when a client gets through; a port taken meanwhile makes it exit.
    if wait_for 5 mosquitto_pub -h 127.0.0.1 -p "$port" -t harness/up -m 1 2>/dev/null; then
        MQTT_PORT=$port
        break
    fi
    finish "$BROKER_PID"
done
[ -n "$MQTT_PORT" ] || { say "mosquitto did not start"; exit 1; }

STATION=st1
# Started before the station, so nothing is missed: wait until it hears a probe.
sub_ready() {
    mosquitto_pub -h 127.0.0.1 -p "$MQTT_PORT" -t harness/ready -m 1 2>/dev/null
    grep -q '^harness/ready ' "$WORK/mqtt.sub"
}
spawn mosquitto_sub -h 127.0.0.1 -p "$MQTT_PORT" -q 1 -v -t "vorlant/#" -t harness/ready >"$WORK/mqtt.sub"
SUB_PID=$LAST_PID
wait_for 10 sub_ready

mapfile -t parts < <(part_args "${MQTT_PARTS[@]}")
period=$(( ${#MQTT_PARTS[@]} * CYCLE ))
start_sim mqtt --cycle "$CYCLE" "${parts[@]}"
run_logger mqtt "${JUDGE[@]}" --format jsonl --count $((3 * period)) -o "$WORK/mqtt.jsonl" \
    --mqtt "mqtt://127.0.0.1:$MQTT_PORT" --station "$STATION"
finish "$SIM_PID"
mv "$OUT/log/mqtt.status" "$OUT/mqtt/logger.status"
# The station ends with a retained "offline"; everything before it has arrived.
wait_for 10 grep -q "^vorlant/$STATION/status offline\$" "$WORK/mqtt.sub"
finish "$SUB_PID"
grep -v '^harness/' "$WORK/mqtt.sub" >"$WORK/mqtt.msgs" || true
python3 "$TOOL" window mqtt "$WORK/mqtt.msgs" "$OUT/mqtt/messages.txt" $((2 * period)) \
    "vorlant/$STATION/reading" >/dev/null
python3 "$TOOL" window jsonl "$WORK/mqtt.jsonl" "$OUT/mqtt/logger.jsonl" $((2 * period)) >/dev/null
mask_port "$MQTT_PORT" "$WORK/mqtt.err" >"$OUT/mqtt/logger.stderr"
# What a subscriber arriving later is handed: the retained messages.
timeout 20 mosquitto_sub -h 127.0.0.1 -p "$MQTT_PORT" -v -t "vorlant/#" --retained-only -W 2 \
    >"$WORK/retained" 2>/dev/null || true
LC_ALL=C sort "$WORK/retained" >"$OUT/mqtt/retained.txt"
finish "$BROKER_PID"

# --- 3. SCPI ----------------------------------------------------------------

has_rows() { [ -f "$1" ] && [ "$(wc -l <"$1")" -ge 2 ]; }

# scpi_session NAME QUERIES PART: one steady part (no cycle), so every
# reading and every answer is the same whenever the queries come.
scpi_session() {
    local name=$1 queries=$2 part=$3
    say "SCPI session $name ($part)"
    start_sim "scpi-$name" --part "$part"
    spawn timeout 90 "$BIN/vorlant-log" --port "$DONGLE" "${JUDGE[@]}" --serve 127.0.0.1:0 \
        -o "$WORK/scpi-$name.csv" 2>"$WORK/scpi-$name.err"
    local logger=$LAST_PID
    wait_for 20 grep -q 'SCPI: listening on' "$WORK/scpi-$name.err"
    local port
    port=$(sed -n 's/.*SCPI: listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$WORK/scpi-$name.err" | head -1)
    # Logging has begun once a row is written: the profile's settings are in
    # place and the hold-off after them is over.
    wait_for 30 has_rows "$WORK/scpi-$name.csv"
    python3 "$TOOL" scpi "$port" "$queries" "$OUT/scpi/$name.txt"
    finish "$logger"
    finish "$SIM_PID"
}

scpi_session 1-c100n-pass "$HERE/scpi-full.txt" C=100n,ESR=0.2
scpi_session 2-c104n-reject "$HERE/scpi-short.txt" C=104n,ESR=0.2
scpi_session 3-esr50-aux "$HERE/scpi-short.txt" C=100n,ESR=50
scpi_session 4-r1k-out "$HERE/scpi-short.txt" R=1k
scpi_session 5-diode-out "$HERE/scpi-short.txt" diode

say "recorded into $OUT"
