#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: once as built
# for use (build/), once more built with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, where the fuzz targets also run briefly (build-asan/).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$here/scripts/deps.sh" --tests
export QT_QPA_PLATFORM=offscreen
# The independent readers are given table names with accents on their command line,
# which needs a UTF-8 locale; a bare system or container may have none set.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8

echo "== Build and test (build/)"
"$here/scripts/build.sh" -DCONVERTI_TESTS=ON
(cd "$here/build" && ctest --output-on-failure -j "$jobs" --timeout 600)

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)"
CC=clang CXX=clang++ cmake -S "$here" -B "$here/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCONVERTI_SANITIZE=ON -DCONVERTI_FUZZ=ON -DCONVERTI_TESTS=ON >/dev/null
cmake --build "$here/build-asan" -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The million-row writer test is left to the first run: under the sanitizers it
# takes minutes and checks nothing the smaller tables do not.
(cd "$here/build-asan" && ctest --output-on-failure -j "$jobs" --timeout 900 -LE slow)
