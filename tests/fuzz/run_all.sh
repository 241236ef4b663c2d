#!/bin/sh
# A short run of every fuzz target on its seeds, for the test suite: databases
# written by mkmdb from jet_seeds/ and, when the fixtures folder is there, two
# Access 2007-2019 files; statements and workbooks from corpus/. Each
# target runs SECONDS seconds in a scratch copy of its seeds, so the repository
# is never changed.
#   tests/fuzz/run_all.sh BUILD_DIR [SECONDS]
# BUILD_DIR: configured with clang and -DCONVERTI_FUZZ=ON (-DCONVERTI_SANITIZE=ON).
set -eu
build=$1
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {  # run NAME CORPUS_DIR [libFuzzer options]
  name=$1; corpus=$2; shift 2
  mkdir -p "$work/$name/artifacts"
  echo "== $name: $seconds s on $(ls "$corpus" | wc -l) seeds"
  "$build/bin/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/$name/artifacts/" -print_final_stats=1 "$@" "$corpus" 2>"$work/$name/log" || {
    tail -n 40 "$work/$name/log"
    echo "$name: FAILED (inputs kept in $work/$name/artifacts are lost with the scratch folder;"
    echo "rerun $build/bin/$name on the same corpus to reproduce)"
    exit 1
  }
  grep -E '^stat::number_of_executed_units' "$work/$name/log" || true
}

# Databases: seeds written by mkmdb from small descriptions.
mkdir -p "$work/jet_corpus"
for d in "$here"/jet_seeds/*.json; do
  "$build/bin/mkmdb" "$d" "$work/jet_corpus/$(basename "$d" .json).mdb"
done
ace=${CONVERTI_FIXTURES:-$here/../../../shared/fixtures/real}/accdb
if [ -d "$ace" ]; then
  cp "$ace/extDateTestV2019.accdb" "$ace/complexDataTestV2010.accdb" "$work/jet_corpus/"
fi
run jet_fuzz "$work/jet_corpus" -max_len=600000

mkdir -p "$work/sql_corpus" && cp "$here"/corpus/sql/* "$work/sql_corpus/"
run sql_fuzz "$work/sql_corpus" -max_len=4096

if [ -x "$build/bin/xls_fuzz" ]; then
  mkdir -p "$work/xls_corpus" && cp "$here"/corpus/xls/* "$work/xls_corpus/"
  run xls_fuzz "$work/xls_corpus" -max_len=300000
fi
echo "fuzz targets: no crash, no sanitizer report"
