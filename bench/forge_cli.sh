#!/usr/bin/env bash
# End-to-end timing of `talewick forge FILE --json`: reading, decoding, forging and printing
# 10,000 occurrences, as a user pays for it. Also checks that two runs print the same bytes,
# since forging must be a pure function of its input.
#
#   bash bench/forge_cli.sh [BUILD_DIR]      (default: build/release, built in Release mode)
set -euo pipefail

build=${1:-build/release}
talewick=$build/talewick
forge_bench=$build/bench/forge_bench
runs=5
for exe in "$talewick" "$forge_bench"; do
  [[ -x $exe ]] || { echo "missing $exe: build $build first" >&2; exit 1; }
done

# Times are generated as local clock times and days are local days: pin the zone (and the
# language of the texts) so that runs on different machines forge the same quests.
export TZ=${TZ:-Europe/Paris} LANG=${LANG:-fr_FR.UTF-8}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
events=$work/events.json
"$forge_bench" --write-events "$events" 10000
echo "events: 10000 occurrences, $(wc -c <"$events") bytes"

# One untimed run so that the first timed one does not also pay for a cold page cache.
"$talewick" forge "$events" --json >/dev/null

if command -v hyperfine >/dev/null; then
  hyperfine -N --runs "$runs" --export-json "$work/times.json" \
    "$talewick forge $events --json" >/dev/null
  python3 - "$work/times.json" <<'EOF'
import json, sys
r = json.load(open(sys.argv[1]))["results"][0]
print(f"forge --json: best {r['min'] * 1000:.1f} ms, median {r['median'] * 1000:.1f} ms (hyperfine)")
EOF
else
  times=()
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$talewick" forge "$events" --json >/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))  # microseconds
  done
  mapfile -t sorted < <(printf '%s\n' "${times[@]}" | sort -n)
  ms() { printf '%d.%d' $(($1 / 1000)) $(($1 % 1000 / 100)); }
  echo "forge --json: best $(ms "${sorted[0]}") ms, median $(ms "${sorted[runs / 2]}") ms" \
    "(date, $runs runs)"
fi

"$talewick" forge "$events" --json >"$work/a.json"
"$talewick" forge "$events" --json >"$work/b.json"
if cmp -s "$work/a.json" "$work/b.json"; then
  echo "byte-identical: yes ($(wc -c <"$work/a.json") bytes)"
else
  echo "byte-identical: no"
  cmp "$work/a.json" "$work/b.json" || true
  exit 1
fi
