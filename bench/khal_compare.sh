#!/usr/bin/env bash
# The same 241-day window, [2026-08-07, 2027-04-05) Europe/Paris, of the same generated vdir folder
# (3,000 events in three calendars), read by khal and by Talewick's vdir calendar store.
#
#   bash bench/khal_compare.sh [BUILD_DIR] [VDIR]
#
# BUILD_DIR defaults to build/release (built in Release mode, with bench/calendar_bench); VDIR to
# $TALEWICK_BENCH_VDIR, else build/bench-vdir, generated when missing. khal (a Debian package) is
# installed when missing. khal keeps an SQLite cache of the folder: its first run fills it, the
# second (timed as "warm") finds it full.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
vdir=${2:-${TALEWICK_BENCH_VDIR:-build/bench-vdir}}
vdir=$(realpath -m "$vdir")
generator=${TALEWICK_GEN_VDIR:-$repo/bench/gen_vdir.py}
calendar_bench=$build/bench/calendar_bench
[[ -x $calendar_bench ]] || { echo "missing $calendar_bench: build $build first" >&2; exit 1; }

# Paris days, and the same clock for both readers.
export TZ=Europe/Paris

if [[ ! -d $vdir || ! -f $vdir.manifest.json ]]; then
  echo "generating $vdir"
  python3 "$generator" --seed 20261205 --count 3000 --out "$vdir" >/dev/null
fi
expected=$(python3 - "$vdir.manifest.json" <<'EOF'
import json, sys
print(json.load(open(sys.argv[1]))["expected_occurrences_in_window"]["total"])
EOF
)

if ! command -v khal >/dev/null; then
  sudo=$([[ $(id -u) = 0 ]] || echo sudo)
  echo "installing khal"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends khal >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
config=$work/khal.conf
{
  echo "[calendars]"
  for folder in "$vdir"/*/; do
    name=$(basename "$folder")
    printf '[[%s]]\npath = %s\ntype = calendar\n' "$name" "${folder%/}"
  done
  cat <<EOF
[locale]
local_timezone = Europe/Paris
default_timezone = Europe/Paris
timeformat = %H:%M
dateformat = %Y-%m-%d
longdateformat = %Y-%m-%d
datetimeformat = %Y-%m-%d %H:%M
longdatetimeformat = %Y-%m-%d %H:%M
[sqlite]
path = $work/khal.db
EOF
} >"$config"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# One line per occurrence and day it covers (no day headings); khal needs a locale that exists.
khal_list() {
  LC_ALL=C.UTF-8 khal -c "$config" list --day-format '' --format '{start} {title}' \
    2026-08-07 241d >"$work/khal.txt"
}

start=$(now_ms); khal_list; khal_cold=$(($(now_ms) - start))
start=$(now_ms); khal_list; khal_warm=$(($(now_ms) - start))
khal_lines=$(grep -c . "$work/khal.txt" || true)

# calendar_bench's cold load: a new store, every file parsed and expanded.
run_bench() {
  "$@" "$calendar_bench" --benchmark_filter='calendar_window/cold' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_format=json 2>"$work/bench.err" |
    python3 -c '
import json, sys
runs = {b["aggregate_name"]: b for b in json.load(sys.stdin)["benchmarks"] if b.get("aggregate_name")}
m = runs["median"]
print("%.1f %.1f %d" % (m["real_time"], m["cpu_time"], m.get("occurrences", -1)))'
  if grep -q MISMATCH "$work/bench.err"; then cat "$work/bench.err" >&2; fi
}
export TALEWICK_BENCH_VDIR=$vdir
read -r tw_real tw_cpu tw_count < <(run_bench)
if command -v taskset >/dev/null; then
  read -r tw1_real _ _ < <(run_bench taskset -c 0)
else
  tw1_real="n/a"
fi

echo
echo "Window 2026-08-07 + 241 days, $(find "$vdir" -name '*.ics' | wc -l) files;" \
  "manifest: $expected occurrences"
printf '%-40s %12s %12s\n' "reader" "time (ms)" "count"
printf '%-40s %12s %12s\n' "khal list, cache empty" "$khal_cold" "$khal_lines"
printf '%-40s %12s %12s\n' "khal list, cache warm" "$khal_warm" "$khal_lines"
printf '%-40s %12s %12s\n' "Talewick store, cold, all cores" "$tw_real" "$tw_count"
printf '%-40s %12s %12s\n' "Talewick store, cold, one core" "$tw1_real" "$tw_count"
echo "(count: khal prints a line per event and day it covers, Talewick counts occurrences)"
if [[ $tw_count != "$expected" ]]; then
  echo "!!! Talewick read $tw_count occurrences, the manifest expects $expected" >&2
  exit 1
fi
