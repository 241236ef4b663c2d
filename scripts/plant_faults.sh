#!/usr/bin/env bash
# How strong is the test suite? Plants each fault of scripts/faults.txt in turn
# (one text replaced in one file), rebuilds, runs the quick tests and tells
# whether they caught it. The source file is restored after each fault, and on
# any exit (Ctrl-C included). Takes a few minutes per fault: not part of the
# test command. docs/testing.md has the figures.
#
#   scripts/plant_faults.sh [-b BUILD_DIR] [-l LIST] [-t SECONDS] [ID...]
#
#   -b  a configured build folder (default build/); rebuilt incrementally
#   -l  the list of faults (default scripts/faults.txt)
#   -t  the time each test may take before it counts as failed (default 180)
#   ID  only these faults (default: all)
#
# A fault whose text does not occur exactly once is reported as "anchor not
# found", one that breaks the build as "does not build": neither is counted,
# and the list needs fixing. Logs of each build and test run go to
# BUILD_DIR/plant_faults/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build
list=$here/scripts/faults.txt
per_test=180
while getopts b:l:t: opt; do
    case $opt in
        b) build=$(cd "$OPTARG" && pwd) ;;
        l) list=$OPTARG ;;
        t) per_test=$OPTARG ;;
        *) sed -n '8,13p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ -f "$build/CMakeCache.txt" ] || { echo "$build is not a configured build folder" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
logs=$build/plant_faults
mkdir -p "$logs"

# faults list: one line per entry (id, file, breaks, equivalent; separated by
# the unit separator, so empty fields survive). faults plant ID: replaces the
# entry's text in its file; status 3 unless the text occurs there exactly once.
faults() {
    python3 - "$list" "$here" "$@" <<'EOF'
import re, sys
path, root, command = sys.argv[1:4]
entries, current = [], None
for line in open(path, encoding="utf-8"):
    m = re.match(r"\[(\w+)\]\s+(\S+)\s*$", line)
    if m:
        current = {"id": m[1], "file": m[2]}
        entries.append(current)
        continue
    m = re.match(r"(find|replace|breaks|equivalent):(.*)$", line)
    if m and current is not None:
        current[m[1]] = m[2].strip()
if command == "list":
    for e in entries:
        print("\x1f".join([e["id"], e["file"], e.get("breaks", ""), e.get("equivalent", "")]))
    sys.exit(0)
e = next(e for e in entries if e["id"] == sys.argv[4])
try:
    text = open(root + "/" + e["file"], encoding="utf-8").read()
except OSError:
    sys.exit(3)
if not e.get("find") or "replace" not in e or text.count(e["find"]) != 1:
    sys.exit(3)
open(root + "/" + e["file"], "w", encoding="utf-8").write(text.replace(e["find"], e["replace"]))
EOF
}

# The tests a ctest log lists as failed, comma-separated.
failed_tests() {
    sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) (.*$/\1/p' "$1" | paste -sd, -
}

saved=$(mktemp -d)
planted=""
restore() {
    if [ -n "$planted" ]; then
        cp "$saved/original" "$here/$planted"  # a fresh time stamp: make sees the change
        planted=""
    fi
}
trap 'restore; rm -rf "$saved"' EXIT
trap 'exit 130' INT TERM

caught=0 survived=0 equivalent=0 unbuilt=0 missing=0
start=$(date +%s)
# The list comes in on descriptor 3: what the builds and tests run may read stdin.
while IFS=$'\x1f' read -r id file breaks equiv <&3; do
    [ $# -eq 0 ] || [[ " $* " == *" $id "* ]] || continue
    began=$(date +%s)
    if [ -f "$here/$file" ]; then
        cp "$here/$file" "$saved/original"
        planted=$file
    fi
    if [ -z "$planted" ] || ! faults plant "$id"; then
        restore
        result="anchor not found"
        missing=$((missing + 1))
    elif ! cmake --build "$build" -j2 >"$logs/$id.build.log" 2>&1; then
        restore
        result="does not build"
        unbuilt=$((unbuilt + 1))
    else
        # A test that fails only once, under the load of the whole run, may be
        # timing out rather than catching: the failed ones run again, alone, and
        # only those that fail twice count.
        failed=""
        if ! (cd "$build" && ctest -j2 -LE "slow|fuzz" --timeout "$per_test" --output-on-failure) \
                >"$logs/$id.test.log" 2>&1; then
            (cd "$build" && ctest --rerun-failed --timeout "$per_test" --output-on-failure) \
                >"$logs/$id.rerun.log" 2>&1 || failed=$(failed_tests "$logs/$id.rerun.log")
            [ -n "$failed" ] || failed="(flaky: $(failed_tests "$logs/$id.test.log"))"
        fi
        if [ -n "$failed" ] && [[ $failed != "(flaky"* ]]; then
            result="caught by $failed"
            caught=$((caught + 1))
        elif [ -n "$equiv" ]; then
            result="survived (equivalent)"
            equivalent=$((equivalent + 1))
        else
            result="SURVIVED${failed:+ $failed}"
            survived=$((survived + 1))
        fi
        restore
    fi
    line=$(printf '%-4s %-40s %4ss  %s' "$id" "$result" $(($(date +%s) - began)) "$breaks")
    [ -n "$equiv" ] && line+=" [equivalent: $equiv]"
    echo "$line"
done 3< <(faults list)

echo "== Rebuilding the unchanged sources"
cmake --build "$build" -j2 >"$logs/restore.build.log" 2>&1 || echo "rebuild failed: see $logs/restore.build.log"

counted=$((caught + survived + equivalent))
echo
echo "Faults planted and built: $counted; caught $caught, survived $survived, equivalent $equivalent"
[ "$unbuilt" -gt 0 ] && echo "Not built (fix the list): $unbuilt"
[ "$missing" -gt 0 ] && echo "Anchor not found (fix the list): $missing"
if [ $((caught + survived)) -gt 0 ]; then
    echo "Caught share, equivalents left out: $caught of $((caught + survived))" \
         "($((100 * caught / (caught + survived)))%)"
fi
echo "Time: $(($(date +%s) - start)) s"
