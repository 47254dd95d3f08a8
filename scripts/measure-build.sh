#!/usr/bin/env bash
# What the README's commands cost on a fresh machine, so that a change to the
# build can be compared with the one before: clones the committed state (or
# REV) into a temporary folder and, without the compiler cache and on two
# cores, times the program alone, the rest of the build, the tests, the
# sanitizer stage and the fuzz stage, then gives the build folders' sizes.
# The clone is removed after.
#   scripts/measure-build.sh [REV]        (default HEAD)
# MEASURE_CPUS picks the cores (default 0,1); MEASURE_KEEP=1 keeps the clone.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
rev=$(git -C "$repo" rev-parse "${1:-HEAD}")
cpus="${MEASURE_CPUS:-0,1}"
work=$(mktemp -d "${TMPDIR:-/tmp}/plumdeck-measure.XXXXXX")
[ "${MEASURE_KEEP:-}" = 1 ] || trap 'rm -rf "$work"' EXIT
git clone -q --no-local "$repo" "$work/src"
git -C "$work/src" checkout -q "$rev"
cd "$work/src"
export CCACHE_DISABLE=1
unset PLUMDECK_JOBS PLUMDECK_BUILD_DIR
# The packages first, so that installing them is not timed.
PLUMDECK_FUZZ=1 scripts/deps.sh

results=()
step() { # step NAME COMMAND...: runs it pinned, records wall and CPU seconds
    local name=$1; shift
    local t="$work/time.$name"
    echo "== $name: $*"
    nice -n "${MEASURE_NICE:-0}" taskset -c "$cpus" /usr/bin/time -f '%e %U %S' -o "$t" "$@" \
        > "$work/log.$name" 2>&1 || { tail -n 60 "$work/log.$name"; echo "$name failed" >&2; exit 1; }
    read -r wall user sys < "$t"
    results+=("$(printf '%-10s wall %7.1f s   cpu (user+sys) %8.1f s' "$name" "$wall" "$(echo "$user + $sys" | bc)")")
    printf '%s\n' "${results[-1]}"
}
# The program alone (scripts/run.sh), then the rest of scripts/test.sh.
step program scripts/build.sh plumdeck-bin
step build scripts/build.sh
step tests ctest --test-dir build -j 4
step sanitize scripts/sanitize.sh
step fuzz scripts/fuzz.sh

echo
echo "rev $(git log -1 --format='%h %s' | cut -c1-70)"
echo "cores $cpus ($(nproc --all) on the machine, load $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%s\n' "${results[@]}"
echo "compiler warnings: $(cat "$work"/log.program "$work"/log.build "$work"/log.sanitize "$work"/log.fuzz | grep -c 'warning:' || true)"
echo "tests: $(grep -E 'tests passed' "$work/log.tests" || true)"
echo "sanitize: $(grep -E 'tests passed|^sanitizers:' "$work/log.sanitize" | tr '\n' ' ')"
echo "fuzz: $(tail -n 1 "$work/log.fuzz")"
du -sh build build-sanitize | sed 's/^/size /'
