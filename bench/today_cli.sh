#!/usr/bin/env bash
# End to end, as a user pays for it: a cold `talewick today --json` (a new process reading the
# whole calendar folder), and the resident memory of `talewick daemon` once it has loaded the
# kingdom's window (241 days) and refreshed the kingdom, over the 3,000-event benchmark folder.
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
export TALEWICK_HOME=$work/home TALEWICK_CALENDAR_DIR=$vdir TALEWICK_SKIP_ONBOARDING=1
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
for _ in $(seq 100); do grep -q "quêtes" "$work/daemon.out" 2>/dev/null && break; sleep 0.1; done
sleep 0.5
rss=$(awk '/VmRSS/ {print $2}' /proc/$daemon/status)
peak=$(awk '/VmHWM/ {print $2}' /proc/$daemon/status)
mb() { awk -v kb="$1" 'BEGIN {printf "%.1f MB", kb / 1024}'; }
echo "daemon resident memory: $(mb "$rss") (peak $(mb "$peak"))"
goal_mb=40
echo "goal: ≤ $goal_mb MB resident — $( ((rss <= goal_mb * 1024)) && echo met || echo missed)"
