#!/usr/bin/env bash
# check_package.sh BUILD_DIR SOURCE_DIR WORK_DIR
#
# Builds the Debian package with CPack from the programs of BUILD_DIR and checks
# it: the files it holds against expected_contents.txt, its dependencies, the
# desktop entries, the AppStream data, the udev rule, and the installed starters
# run from another directory. Exits 77 (skipped) where dpkg-deb is missing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

# --- The installed program, run in a mount namespace of its own: the program
# creates its shared settings folder under /var/tmp, and the real one is never
# touched, so a scratch folder is mounted there.
if [ "${1:-}" = --installed-run ]; then
  stage=$2 scratch=$3
  mount --bind "$scratch/var-tmp" /var/tmp
  mkdir -p "$scratch/elsewhere"
  cd "$scratch/elsewhere"
  "$stage/usr/bin/vorlant-meter-sim" --link "$scratch/dongle" --verbose >/dev/null 2>"$scratch/sim.log" &
  sim=$!
  app=""
  finish() {
    if [ -n "$app" ]; then
      kill -TERM "$app" 2>/dev/null || true
      wait "$app" 2>/dev/null || true
    fi
    kill -TERM "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  }
  trap finish EXIT
  for _ in $(seq 100); do [ -e "$scratch/dongle" ] && break; sleep 0.1; done
  [ -e "$scratch/dongle" ] || { echo "the installed simulator did not start"; cat "$scratch/sim.log"; exit 1; }
  PORTVANE_PORT="$scratch/dongle" "$stage/usr/bin/vorlant" >"$scratch/app.log" 2>&1 &
  app=$!
  # The window's first showing sends "AT" to the dongle it found.
  for _ in $(seq 600); do
    grep -q "rx .*  AT$" "$scratch/sim.log" && break
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q "rx .*  AT$" "$scratch/sim.log"; then
    echo "the installed program, started from $PWD, sent nothing to the simulator; its output:"
    cat "$scratch/app.log"
    exit 1
  fi

  # The simulated-meter entry: the program opens the simulator's device.
  export TMPDIR="$scratch/tmp"
  mkdir -p "$TMPDIR"
  "$stage/usr/bin/vorlant" --simulated >"$scratch/simulated.log" 2>&1 &
  starter=$!
  opened=""
  for _ in $(seq 600); do
    kill -0 "$starter" 2>/dev/null || break
    for child in $(pgrep -P "$starter" || true); do
      port=$(tr '\0' '\n' <"/proc/$child/environ" 2>/dev/null | sed -n 's/^PORTVANE_PORT=//p' || true)
      [ -n "$port" ] && [ -e "$port" ] || continue
      device=$(readlink -f "$port" || true)
      for fd in "/proc/$child"/fd/*; do
        [ "$(readlink "$fd" 2>/dev/null)" = "$device" ] && opened=$port
      done
    done
    [ -n "$opened" ] && break
    sleep 0.1
  done
  if [ -z "$opened" ]; then
    echo "vorlant --simulated: the program never opened the simulator's device; its output:"
    cat "$scratch/simulated.log"
    kill -TERM "$starter" 2>/dev/null || true
    exit 1
  fi
  kill -TERM "$starter"
  status=0
  wait "$starter" || status=$?
  [ "$status" -eq 143 ] || { echo "vorlant --simulated ended with $status on SIGTERM, not 143"; exit 1; }
  [ ! -e "$(dirname "$opened")" ] || { echo "vorlant --simulated left $(dirname "$opened") behind"; exit 1; }
  exit 0
fi

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$3

if ! command -v dpkg-deb >/dev/null 2>&1; then
  echo "SKIPPED: no dpkg-deb on this machine, so no Debian package is built"
  exit 77
fi
for tool in cpack dpkg-shlibdeps desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "FAIL: $tool is missing (scripts/setup-deps installs it)"
    exit 1
  fi
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
checked=0
# "ok" only when nothing failed since the last step that passed.
pass() {
  [ "$failures" -ne "$checked" ] || echo "ok: $*"
  checked=$failures
}

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

# --- Build.
if ! cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack did not build the package"
  exit 1
fi
deb=$(ls "$work"/vorlant_*.deb)
pass "built $(basename "$deb")"

# --- Contents.
dpkg-deb -c "$deb" | awk '{ line = $1 " " $2 " " $6; if ($7 == "->") line = line " -> " $8; print line }' \
  >"$work/listing.txt"
if awk '$2 != "root/root"' "$work/listing.txt" | grep -q .; then
  fail "entries not owned by root: $(awk '$2 != "root/root"' "$work/listing.txt")"
fi
if awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' "$work/listing.txt" | grep -q .; then
  fail "directories not 0755: $(awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' "$work/listing.txt")"
fi
if grep -v -E " \./usr/" "$work/listing.txt" | grep -v -E " \./$" | grep -q .; then
  fail "entries outside /usr: $(grep -v " ./usr/" "$work/listing.txt" | grep -v " ./$")"
fi
{
  grep -v '^#' "$here/expected_contents.txt"
  for file in "$source"/lang/*; do
    echo "-rw-r--r-- ./usr/lib/vorlant/lang/$(basename "$file")"
  done
  if [ "${VORLANT_LOG_PACKAGED:-0}" = 1 ]; then
    echo "-rwxr-xr-x ./usr/lib/vorlant/vorlant-log"
    echo "lrwxrwxrwx ./usr/bin/vorlant-log -> ../lib/vorlant/vorlant-log"
  fi
  if [ -f "$source/docs/vorlant-log.1" ]; then
    echo "-rw-r--r-- ./usr/share/man/man1/vorlant-log.1.gz"
  fi
} | sort >"$work/expected.txt"
awk '$1 !~ /^d/ { print $1 " " $3 ($4 == "->" ? " -> " $5 : "") }' "$work/listing.txt" | sort >"$work/actual.txt"
if diff -u "$work/expected.txt" "$work/actual.txt" >"$work/contents.diff"; then
  pass "contents as expected ($(wc -l <"$work/actual.txt") files and links)"
else
  fail "contents differ from the expected set (- expected, + packaged):"
  cat "$work/contents.diff"
fi

# --- Control fields.
version=$(sed -n '1s/^vorlant (\([^)]*\)).*/\1/p' "$source/packaging/changelog")
[ "$(dpkg-deb -f "$deb" Package)" = vorlant ] || fail "package name is not vorlant"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version is not $version, the changelog's"
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in fonts-crosextra-carlito qt6-qpa-plugins libqt6widgets6 libc6; do
  case ", $depends," in
    *", $dependency"[\ ,]*) ;;
    *) fail "Depends lacks $dependency: $depends" ;;
  esac
done
pass "control fields checked"

# --- Files as installed.
stage="$work/stage"
dpkg-deb -x "$deb" "$stage"

for entry in vorlant vorlant-simulated; do
  file="$stage/usr/share/applications/$entry.desktop"
  if out=$(desktop-file-validate "$file" 2>&1) && [ -z "$out" ]; then
    pass "desktop-file-validate $entry.desktop"
  else
    fail "desktop-file-validate $entry.desktop: $out"
  fi
  command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$file")
  [ -x "$stage/usr/bin/$command" ] || fail "$entry.desktop starts $command, which the package lacks"
  icon=$(sed -n 's/^Icon=//p' "$file")
  [ -f "$stage/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$entry.desktop names icon $icon, which the package lacks"
done
grep -qx 'Exec=vorlant' "$stage/usr/share/applications/vorlant.desktop" || fail "vorlant.desktop does not start vorlant"
grep -qx 'Exec=vorlant --simulated' "$stage/usr/share/applications/vorlant-simulated.desktop" \
  || fail "vorlant-simulated.desktop does not start vorlant --simulated"
grep -qx 'Name=Vorlant logger (simulated meter)' "$stage/usr/share/applications/vorlant-simulated.desktop" \
  || fail "the simulated meter's entry has another name"
grep -qx 'Categories=Science;Electronics;' "$stage/usr/share/applications/vorlant.desktop" \
  || fail "vorlant.desktop is not in Science/Electronics"

for png in "$stage"/usr/share/icons/hicolor/*x*/apps/vorlant.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  read -r -a b < <(od -An -tu1 -j16 -N8 "$png")
  width=$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))
  height=$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))
  [ "${width}x${height}" = "$size" ] || fail "icon in $size is ${width}x${height}"
done
pass "icon sizes match their folders"

metainfo=$(ls "$stage"/usr/share/metainfo/*.metainfo.xml)
if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
  pass "appstreamcli validate $(basename "$metainfo")"
else
  fail "appstreamcli validate: $out"
fi
grep -q '<launchable type="desktop-id">vorlant.desktop</launchable>' "$metainfo" || fail "metainfo launches no vorlant.desktop"
grep -q '<screenshot type="default">' "$metainfo" || fail "metainfo has no screenshot"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo names no release $version"

# --- The udev rule: udevadm parses it where it can, else the syntax is checked here.
rules="$stage/usr/lib/udev/rules.d/70-vorlant-dongle.rules"
if command -v udevadm >/dev/null 2>&1 && udevadm verify --help >/dev/null 2>&1; then
  if out=$(udevadm verify "$rules" 2>&1); then pass "udevadm verify"; else fail "udevadm verify: $out"; fi
else
  labels=() gotos=() matching=""
  number=0
  while IFS= read -r line || [ -n "$line" ]; do
    number=$((number + 1))
    [[ "$line" =~ ^[[:space:]]*(#|$) ]] && continue
    rest=$line keys=()
    while [ -n "$rest" ]; do
      if [[ "$rest" =~ ^[[:space:]]*([A-Z_]+)(\{[^}\"]+\})?(==|!=|\+=|-=|:=|=)\"([^\"]*)\"[[:space:]]*(,[[:space:]]*|$)(.*)$ ]]; then
        key=${BASH_REMATCH[1]} attr=${BASH_REMATCH[2]} op=${BASH_REMATCH[3]} value=${BASH_REMATCH[4]}
        separator=${BASH_REMATCH[5]} rest=${BASH_REMATCH[6]}
        [ -n "$separator" ] || [ -z "$rest" ] || { fail "rules line $number: no comma before '$rest'"; break; }
        case "$key" in
          ACTION|SUBSYSTEM|SUBSYSTEMS|KERNEL|KERNELS|DRIVER|DRIVERS|DEVPATH)
            [[ "$op" == "==" || "$op" == "!=" ]] || fail "rules line $number: $key$op is no match" ;;
          ATTR|ATTRS|ENV)
            [ -n "$attr" ] || fail "rules line $number: $key needs {name}" ;;
          TAG|GROUP|MODE|OWNER|SYMLINK|RUN|IMPORT) ;;
          GOTO) gotos+=("$value") ;;
          LABEL) labels+=("$value") ;;
          *) fail "rules line $number: unknown key $key" ;;
        esac
        keys+=("$key$attr$op\"$value\"")
      else
        fail "rules line $number: cannot parse '$rest'"
        break
      fi
    done
    line_keys=" ${keys[*]} "
    if [[ "$line_keys" == *' SUBSYSTEM=="tty" '* && "$line_keys" == *' ATTRS{idVendor}=="0451" '* &&
          "$line_keys" == *' ATTRS{idProduct}=="16aa" '* && "$line_keys" == *' ATTRS{product}=="TI CC2540 USB CDC" '* &&
          "$line_keys" == *' TAG+="uaccess" '* ]]; then
      matching=$number
    fi
  done <"$rules"
  for target in "${gotos[@]}"; do
    [[ " ${labels[*]} " == *" $target "* ]] || fail "rules: GOTO $target has no LABEL"
  done
  [ -n "$matching" ] || fail "rules: no line gives uaccess to the tty of 0451:16aa \"TI CC2540 USB CDC\" alone"
  pass "udev rule syntax checked (no udevadm verify here)"
fi
# uaccess is applied by 73-seat-late.rules, so the tag must be set before it.
[[ "$(basename "$rules")" < 73-seat-late.rules ]] || fail "the udev rule sorts after 73-seat-late.rules"

# --- with-meter-sim, as installed.
with_sim="$stage/usr/lib/vorlant/with-meter-sim"
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
out=$("$with_sim" -- "$stage/usr/lib/vorlant/portvane-find") || fail "with-meter-sim: the port finder found nothing"
case "$out" in
  "$TMPDIR"/vorlant-sim.*/dongle) pass "with-meter-sim: the finder reports the simulator's link ($out)" ;;
  *) fail "with-meter-sim: the finder reported '$out'" ;;
esac
[ ! -e "$(dirname "$out")" ] || fail "with-meter-sim left $(dirname "$out") behind"
if pgrep -f -- "--link $out" >/dev/null; then fail "with-meter-sim left the simulator running"; fi

status=0
"$with_sim" -- sh -c 'exit 7' || status=$?
[ "$status" -eq 7 ] || fail "with-meter-sim: status $status, not the command's 7"

status=0
"$with_sim" --part nonsense -- touch "$work/ran" 2>"$work/bad-part.log" || status=$?
if [ "$status" -eq 0 ] || [ -e "$work/ran" ] || ! grep -q "did not start" "$work/bad-part.log"; then
  fail "with-meter-sim with a simulator that cannot start: status $status, $(cat "$work/bad-part.log")"
fi

"$with_sim" -- sh -c 'echo "$$ $PORTVANE_PORT" >"$1.tmp" && mv "$1.tmp" "$1" && exec sleep 60' sh "$work/running" &
runner=$!
for _ in $(seq 100); do [ -s "$work/running" ] && break; sleep 0.1; done
if read -r command_pid link <"$work/running"; then
  kill -TERM "$runner"
  status=0
  wait "$runner" || status=$?
  [ "$status" -eq 143 ] || fail "with-meter-sim on SIGTERM: status $status, not 143"
  if kill -0 "$command_pid" 2>/dev/null; then fail "with-meter-sim on SIGTERM left its command running"; fi
  if pgrep -f -- "--link $link" >/dev/null; then fail "with-meter-sim on SIGTERM left the simulator running"; fi
  [ ! -e "$(dirname "$link")" ] || fail "with-meter-sim on SIGTERM left $(dirname "$link") behind"
else
  kill -TERM "$runner" 2>/dev/null || true
  fail "with-meter-sim never started its command"
fi
[ -z "$(ls -A "$TMPDIR")" ] || fail "temporary folders left: $(ls -A "$TMPDIR")"
pass "with-meter-sim runs, passes on status and signals, cleans up"

# --- The installed starters, from another directory.
scratch="$work/run"
mkdir -p "$scratch/var-tmp"
if [ "$(id -u)" -eq 0 ]; then
  namespace=(unshare --mount --propagation private)
else
  namespace=(unshare --user --map-root-user --mount --propagation private)
fi
if ! "${namespace[@]}" true 2>/dev/null; then
  echo "NOT CHECKED: the installed program's run (no private mount namespace here to keep /var/tmp untouched)"
elif "${namespace[@]}" "$0" --installed-run "$stage" "$scratch"; then
  pass "vorlant and vorlant --simulated start from $scratch/elsewhere and reach the simulator"
else
  fail "the installed starters"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all package checks passed"
