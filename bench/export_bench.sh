#!/usr/bin/env bash
# Export benchmark: SELECT * INTO a new workbook of a 65,535-row, 13-column table,
# side by side with mdb-export of the same table, and the export's peak memory
# against the size of the workbook it wrote. Two tables: "Bench" with a memo of
# several kB in every tenth row, "BenchShort" with short memos only.
#   bench/export_bench.sh [BUILD_DIR] [BASELINE_JETSQL]
# BUILD_DIR defaults to build. A BASELINE_JETSQL (another build's jetsql) runs in
# the same hyperfine invocation, so both see the same machine. RUNS (default 20)
# sets the runs per command.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
baseline=${2:-}
runs=${RUNS:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/make_bench_db" "$work/bench.mdb" 65535
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

for table in Bench BenchShort; do
  sql="SELECT * INTO [Excel 8.0;DATABASE=$work/out.xls].[WorkSheet1] FROM [$table]WHERE [$table.ID]like '**';"
  commands=(-n jetsql "$build/bin/jetsql $work/bench.mdb \"$sql\"")
  [ -n "$baseline" ] && commands+=(-n baseline "$baseline $work/bench.mdb \"$sql\"")
  hyperfine --warmup 2 --runs "$runs" --export-json "$work/$table.json" \
    --prepare "rm -f $work/out.xls" "${commands[@]}" \
    -n mdb-export "mdb-export $work/bench.mdb $table > /dev/null" >&2
  for name in jetsql baseline; do
    bin="$build/bin/jetsql"
    if [ "$name" = baseline ]; then
      [ -n "$baseline" ] || continue
      bin=$baseline
    fi
    rm -f "$work/out.xls"
    /usr/bin/time -f "%M" -o "$work/$table.$name.rss" "$bin" "$work/bench.mdb" "$sql"
  done
  stat -c %s "$work/out.xls" > "$work/$table.size"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

/usr/bin/python3 - "$work" <<'PY'
import json, os, sys
work = sys.argv[1]
for table in ("Bench", "BenchShort"):
    results = {r["command"]: r for r in json.load(open(f"{work}/{table}.json"))["results"]}
    size = int(open(f"{work}/{table}.size").read())
    print(f"{table}: workbook {size / 1048576:.1f} MiB")
    # Means and medians both: a busy neighbour on a shared machine moves the means.
    for name in ("jetsql", "baseline"):
        if name not in results:
            continue
        line = []
        for stat in ("mean", "median"):
            ours, theirs = results[name][stat], results["mdb-export"][stat]
            line.append(f"{stat} {ours:.3f} s ({theirs / ours:.1f}x faster than mdb-export"
                        + (f", {ours / results['baseline'][stat]:.2f}x the baseline's"
                           if name == "jetsql" and "baseline" in results else "") + ")")
        rss_kb = int(open(f"{work}/{table}.{name}.rss").read().split()[-1])
        print(f"  {name}: " + "; ".join(line)
              + f"; peak memory {rss_kb / 1024:.1f} MiB, {rss_kb * 1024 / size:.2f}x the workbook")
    r = results["mdb-export"]
    print(f"  mdb-export: mean {r['mean']:.3f} s; median {r['median']:.3f} s")
PY
