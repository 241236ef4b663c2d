#!/bin/sh
# Runs the jet libFuzzer target for a while on seeds made from tests/fuzz/jet_seeds
# (by mkmdb) and, when present, the real databases of the fixtures folder.
#   tests/fuzz/jet_fuzz.sh BUILD_DIR [SECONDS] [WORK_DIR]
# BUILD_DIR: configured with CC=clang CXX=clang++ -DCONVERTI_FUZZ=ON -DCONVERTI_SANITIZE=ON.
# MKMDB: the mkmdb program to make seeds with (default: built in BUILD_DIR).
set -eu
build=$1
seconds=${2:-300}
work=${3:-$(mktemp -d)}
here=$(cd "$(dirname "$0")" && pwd)
fixtures=${CONVERTI_FIXTURES:-$here/../../../shared/fixtures/real}/mdb

cmake --build "$build" --target jet_fuzz -j2 >/dev/null
mkmdb=${MKMDB:-}
if [ -z "$mkmdb" ]; then
  cmake --build "$build" --target mkmdb -j2 >/dev/null
  mkmdb=$build/bin/mkmdb
fi
mkdir -p "$work/corpus" "$work/artifacts"
for d in "$here"/jet_seeds/*.json; do
  "$mkmdb" "$d" "$work/corpus/$(basename "$d" .json).mdb"
done
if [ -d "$fixtures" ]; then
  for f in testV1997 overflowTestV1997 testUnicodeCompV2003 delColTestV2003 fixedNumericTestV2003; do
    cp "$fixtures/$f.mdb" "$work/corpus/"
  done
fi
"$build/bin/jet_fuzz" -max_total_time="$seconds" -max_len=300000 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus"
