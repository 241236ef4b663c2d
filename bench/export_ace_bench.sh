#!/usr/bin/env bash
# The export of bench/export_bench.sh from an Access 2019 file (.accdb) beside the
# same table in an Access 2000-2003 file (.mdb): SELECT * INTO a new workbook of
# the 65,535-row, 13-column table "Bench", both in one hyperfine run, so both see
# the same machine. Prints each one's mean and median and the .accdb's time as a
# multiple of the .mdb's (the two should cost the same: their pages are alike).
#   bench/export_ace_bench.sh [BUILD_DIR]
# RUNS (default 20) sets the runs per command; VERSION (default 2019) the
# Access 2007-2019 version written.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
runs=${RUNS:-20}
version=${VERSION:-2019}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/make_bench_db" "$work/bench.mdb" 65535 4
"$build/bin/make_bench_db" "$work/bench.accdb" 65535 "$version"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
sql="SELECT * INTO [Excel 8.0;DATABASE=$work/out.xls].[WorkSheet1] FROM [Bench]WHERE [Bench.ID]like '**';"
hyperfine --warmup 2 --runs "$runs" --export-json "$work/times.json" --prepare "rm -f $work/out.xls" \
  -n mdb "$build/bin/jetsql $work/bench.mdb \"$sql\"" \
  -n accdb "$build/bin/jetsql $work/bench.accdb \"$sql\"" >&2
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
for f in mdb accdb; do
  rm -f "$work/out.xls"
  /usr/bin/time -f "%M" -o "$work/$f.rss" "$build/bin/jetsql" "$work/bench.$f" "$sql"
done

/usr/bin/python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
results = {r["command"]: r for r in json.load(open(f"{work}/times.json"))["results"]}
for name in ("mdb", "accdb"):
    r = results[name]
    rss = int(open(f"{work}/{name}.rss").read().split()[-1]) / 1024
    print(f"{name}: mean {r['mean']:.3f} s, median {r['median']:.3f} s, peak memory {rss:.1f} MiB")
for stat in ("mean", "median"):
    print(f".accdb / .mdb, {stat}: {results['accdb'][stat] / results['mdb'][stat]:.3f}x")
PY
