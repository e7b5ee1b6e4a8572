#!/usr/bin/env bash
# End to end, as a user pays for it: a cold `talewick today --json` (a new process reading the
# whole calendar folder), and the resident memory of `talewick daemon` once it has loaded the
# kingdom's window (241 days) and refreshed the kingdom, over the 3,000-event benchmark folder;
# then again once an event written into the folder has made it reload (the daemon reads a copy).
# The daemon is to stay at 40 MB resident or less: the last line says whether it does.
#
#   python3 bench/gen_vdir.py --seed 20261205 --count 3000 --out DIR
#   bash bench/today_cli.sh DIR [BUILD_DIR]      (default: build/release)
set -euo pipefail

vdir=${1:?usage: today_cli.sh VDIR [BUILD_DIR]}
build=${2:-build/release}
talewick=$build/talewick
[[ -x $talewick ]] || { echo "missing $talewick: build $build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'kill "$daemon" 2>/dev/null || true; rm -rf "$work"' EXIT
daemon=
export TZ=${TZ:-Europe/Paris} LANG=${LANG:-fr_FR.UTF-8}
cp -r "$vdir" "$work/vdir"
export TALEWICK_HOME=$work/home TALEWICK_CALENDAR_DIR=$work/vdir TALEWICK_SKIP_ONBOARDING=1
export TALEWICK_NOW=2026-12-05T12:00:00+01:00

"$talewick" today --json >/dev/null  # page cache warm, default folders made
runs=10
if command -v hyperfine >/dev/null; then
  hyperfine -N --runs "$runs" --export-json "$work/times.json" "$talewick today --json" >/dev/null
  python3 - "$work/times.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"][0]
print(f"today --json (cold process): best {r['min'] * 1000:.1f} ms, median {r['median'] * 1000:.1f} ms")
PY
else
  times=()
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$talewick" today --json >/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  mapfile -t sorted < <(printf '%s\n' "${times[@]}" | sort -n)
  ms() { printf '%d.%d' $(($1 / 1000)) $(($1 % 1000 / 100)); }
  echo "today --json (cold process): best $(ms "${sorted[0]}") ms, median $(ms "${sorted[runs / 2]}") ms"
fi

"$talewick" daemon >"$work/daemon.out" 2>&1 &
daemon=$!
# Waits until the daemon has said its count of quests `n` times (once per load that changed it).
loads() {
  for _ in $(seq 100); do
    (($(grep -c "quêtes" "$work/daemon.out" 2>/dev/null || true) >= $1)) && break
    sleep 0.1
  done
  sleep 0.5
}
kb() { awk "/$1/ {print \$2}" /proc/$daemon/status; }
mb() { awk -v kb="$1" 'BEGIN {printf "%.1f MB", kb / 1024}'; }

loads 1
loaded=$(kb VmRSS)
echo "daemon resident memory: $(mb "$loaded") (peak $(mb "$(kb VmHWM)"))"
calendar=$(find "$work/vdir" -mindepth 1 -maxdepth 1 -type d | sort | head -n 1)
cat >"$calendar/bench-reload.ics" <<'ICS'
BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//talewick//bench//FR
BEGIN:VEVENT
UID:bench-reload
DTSTAMP:20261205T110000Z
DTSTART:20261205T150000Z
DTEND:20261205T160000Z
SUMMARY:Relecture du bench
END:VEVENT
END:VCALENDAR
ICS
loads 2
reloaded=$(kb VmRSS)
echo "after a reload: $(mb "$reloaded") (peak $(mb "$(kb VmHWM)"))"
goal_mb=40
worst=$((loaded > reloaded ? loaded : reloaded))
echo "goal: ≤ $goal_mb MB resident — $( ((worst <= goal_mb * 1024)) && echo met || echo missed)"
