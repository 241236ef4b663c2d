#!/usr/bin/env bash
# Export benchmark: SELECT * INTO a new workbook of a 65,535-row, 13-column table,
# side by side with mdb-export of the same table, and the export's peak memory
# against the size of the workbook it wrote.
#   bench/export_bench.sh [BUILD_DIR]      (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/make_bench_db" "$work/bench.mdb" 65535
sql="SELECT * INTO [Excel 8.0;DATABASE=$work/out.xls].[WorkSheet1] FROM [Bench]WHERE [Bench.ID]like '**';"

hyperfine --warmup 1 --runs 10 --export-json "$work/times.json" \
  --prepare "rm -f $work/out.xls" \
  -n jetsql "$build/bin/jetsql $work/bench.mdb \"$sql\"" \
  -n mdb-export "mdb-export $work/bench.mdb Bench > /dev/null"

rm -f "$work/out.xls"
/usr/bin/time -f "%M" -o "$work/rss" "$build/bin/jetsql" "$work/bench.mdb" "$sql"
/usr/bin/python3 - "$work/times.json" "$work/rss" "$work/out.xls" <<'PY'
import json, os, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
rss_kb = int(open(sys.argv[2]).read().split()[-1])
size = os.path.getsize(sys.argv[3])
# Means and medians both: a busy neighbour on a shared machine moves the means.
for stat in ("mean", "median"):
    ours, theirs = results["jetsql"][stat], results["mdb-export"][stat]
    print(f"{stat}: export {ours:.3f} s, mdb-export {theirs:.3f} s: "
          f"{theirs / ours:.1f}x faster (target 15x)")
print(f"peak memory {rss_kb / 1024:.1f} MiB, workbook {size / 1048576:.1f} MiB: "
      f"{rss_kb * 1024 / size:.2f}x the workbook (target at most 3x)")
PY
