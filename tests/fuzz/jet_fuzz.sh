#!/bin/sh
# Runs the jet libFuzzer target for a while on seeds made from tests/fuzz/jet_seeds
# (by mkmdb) and, when present, the real databases of the fixtures folder: Jet 3
# and Jet 4 (.mdb) and Access 2007-2019 (.accdb).
#   tests/fuzz/jet_fuzz.sh BUILD_DIR [SECONDS] [WORK_DIR]
# BUILD_DIR: configured with CC=clang CXX=clang++ -DCONVERTI_FUZZ=ON -DCONVERTI_SANITIZE=ON.
# MKMDB: the mkmdb program to make seeds with (default: built in BUILD_DIR).
set -eu
build=$1
seconds=${2:-300}
work=${3:-$(mktemp -d)}
here=$(cd "$(dirname "$0")" && pwd)
fixtures=${CONVERTI_FIXTURES:-$here/../../../shared/fixtures/real}

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
if [ -d "$fixtures/mdb" ]; then
  for f in testV1997 overflowTestV1997 testUnicodeCompV2003 delColTestV2003 fixedNumericTestV2003; do
    cp "$fixtures/mdb/$f.mdb" "$work/corpus/"
  done
fi
# ACE: every kind of page and value Access 2007-2019 added (Large Number, Date/Time
# Extended, calculated and complex columns), and the encrypted header.
if [ -d "$fixtures/accdb" ]; then
  for f in testV2010 bigintV2016 extDateTestV2019 calcFieldTestV2010 complexDataTestV2010 V2010_with-password; do
    cp "$fixtures/accdb/$f.accdb" "$work/corpus/"
  done
fi
# Large enough for the ACE files, the largest seeds (up to 712,704 bytes).
"$build/bin/jet_fuzz" -max_total_time="$seconds" -max_len=720896 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus"
