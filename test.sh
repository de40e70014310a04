#!/usr/bin/env bash
# Installs what is missing, builds the native, x86 and x64 presets, runs every
# test and ends with one line: "N passed, N failed".
#
# The tests mostly wait on Wine, so they run while the next preset builds: in
# lanes, each with a Wine prefix and a virtual display of its own, that
# take their jobs off one queue: shares of the test programs' cases.
set -uo pipefail
cd "$(dirname "$0")"
root="$PWD"

# Where the time goes, step by step, in build/test-times.txt.
mkdir -p build
: >"$root/build/test-times.txt"
took() {  # step, the SECONDS it began at
    echo "$1: $((SECONDS - $2)) s" >>"$root/build/test-times.txt"
}
failed_to_start() {
    echo "0 passed, 1 failed"
    exit 1
}

tools/install-packages || failed_to_start
took packages 0

# Four lanes run beside the builds (the tests wait on Wine more than they use
# the processors); two more join them for the last tests, once nothing builds.
prefixes=("$root/build/wine-prefix")
for n in 2 3 4 5 6; do prefixes+=("$root/build/wine-prefix-$n"); done
displays=()
xvfb_pids=()
lane_pids=()
# Ends a process and everything it started.
end_tree() {
    local child
    for child in $(pgrep -P "$1"); do end_tree "$child"; done
    kill "$1" 2>/dev/null || true
}
cleanup() {
    local pid prefix
    for pid in "${lane_pids[@]}"; do end_tree "$pid"; done
    for prefix in "${prefixes[@]}"; do
        (export VELTAR_WINEPREFIX="$prefix" && source tools/wine-env && wineserver -k 2>/dev/null) || true
    done
    for pid in "${xvfb_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# The prefixes are made while the first preset builds: they need none of it.
# Wine's first start in a prefix is processor work (some 8 s of it), so one is
# made and the others, where missing, are copies of it (copied whole under
# another name first, so that a copy cut short is never taken for a prefix).
make_prefixes() {
    local prefix
    VELTAR_WINEPREFIX="${prefixes[0]}" tools/wine-prefix || return 1
    (export VELTAR_WINEPREFIX="${prefixes[0]}" && source tools/wine-env && wineserver -w)
    for prefix in "${prefixes[@]:1}"; do
        [ -f "$prefix/.veltar-ready" ] && continue
        rm -rf "$prefix" "$prefix.copy" && cp -a "${prefixes[0]}" "$prefix.copy" && mv "$prefix.copy" "$prefix"
    done
}
make_prefixes >/dev/null 2>&1 &
prefix_pids=($!)
pidfile="$(mktemp)"
for _ in "${prefixes[@]}"; do
    displays+=("$(tools/virtual-display "$pidfile")") || failed_to_start
    xvfb_pids+=("$(cat "$pidfile")")
done
rm -f "$pidfile"

# Each build holds a lock from here until it is done; the tests that need it
# wait for the lock: win32 (all and its test programs), native, win64 (the
# programs), win64-tests (its test programs; the folder whole).
declare -A build_lock
for built in win32 native win64 win64-tests; do
    exec {fd}>"$root/build/building-$built.lock"
    flock "$fd"
    build_lock[$built]=$fd
done
build() {  # what it makes (a lock's name), preset, cmake --build options...
    local built="$1" preset="$2" began=$SECONDS log="$root/build-$1.log"
    shift 2
    if ! { tools/configure-preset "$preset" >/dev/null && cmake --build "build/$preset" -j"$(nproc)" "$@"; } >"$log" 2>&1; then
        cat "$log"
        rm -f "$log"
        failed_to_start
    fi
    rm -f "$log"
    flock -u "${build_lock[$built]}"
    took "build $built" "$began"
}
wait_built() {  # lock's name
    local fd
    exec {fd}<"$root/build/building-$1.lock"
    flock -s -w 1800 "$fd"
    exec {fd}<&-
}

# Runs tests on a lane: its prefix and display, its stand-in devices set back
# to no drives and no processor (whatever ./run.sh or the tests before left),
# then ctest with a Google Test filter and one share of each program's cases,
# the results under a name of their own.
lane_tests() {  # lane, shares, share, filter, results, preset, ctest options...
    local lane="$1" shares="$2" share="$3" filter="$4" results="$root/build/test-results/$5-$3" preset="$6"
    shift 6
    (
        began=$SECONDS
        export VELTAR_WINEPREFIX="${prefixes[$lane]}" DISPLAY="${displays[$lane]}" GTEST_FILTER="$filter"
        export GTEST_TOTAL_SHARDS="$shares" GTEST_SHARD_INDEX="$share"
        tools/wine-prefix
        VELTAR_SENSORS= tools/wine-run build/win32/veltar-device-standins.exe >/dev/null
        (source tools/wine-env && wineserver -w)
        rm -rf "$results" && mkdir -p "$results"
        GTEST_OUTPUT="xml:$results/" ctest --test-dir "build/$preset" --output-on-failure -j2 \
            --output-junit "$results/ctest.xml" --timeout 1500 "$@"
        took "tests $(basename "$results") on lane $lane" "$began"
    )
}

# The lanes' work, in the order the builds come. A job: the build it waits
# for, then lane_tests' words but the lane. The MSIs and archives pack the
# build folders: one preset's at a time, never while that preset builds.
packaging='^(installer|release)_tests$'
jobs=()
queue_shares() {  # shares, built, filter, results, preset, ctest options...
    local shares="$1" built="$2" share
    shift 2
    for ((share = 0; share < shares; share++)); do jobs+=("$built $shares $share $*"); done
}
queue_shares 6 win32 '*' win32 win32
queue_shares 6 native '*/0' native-x86 native -E "$packaging"
queue_shares 1 native '*/0' packaging-x86 native -R "$packaging"
queue_shares 6 win64 '-*/0' native-x64 native -E "$packaging"
queue_shares 1 win64-tests '-*/0' packaging-x64 native -R "$packaging"
queue_shares 10 win64-tests '*' win64 win64
queue="$root/build/test-queue"
printf '%s\n' "${jobs[@]}" >"$queue"
rm -f "$queue.undone"
next_job() {  # prints the first job and takes it off the queue; fails when none is left
    local fd job
    exec {fd}>"$queue.lock"
    flock "$fd"
    job="$(head -n 1 "$queue")"
    sed -i 1d "$queue"
    exec {fd}>&-
    [ -n "$job" ] && printf '%s\n' "$job"
}
lane() {  # lane: runs jobs off the queue until there are none
    local fd job words packing
    for fd in "${build_lock[@]}"; do exec {fd}>&-; done
    while job="$(next_job)"; do
        read -r -a words <<<"$job"
        if ! wait_built "${words[0]}"; then
            echo "lane $1: the build it waited for did not end: $job"
            echo "$job" >>"$queue.undone"
            return 1
        fi
        if [[ "${words[4]}" == packaging-* ]]; then
            exec {packing}>"$root/build/packaging.lock"
            flock "$packing"
            lane_tests "$1" "${words[@]:1}"
            exec {packing}>&-
        else
            lane_tests "$1" "${words[@]:1}"
        fi
    done
}

start_lanes() {  # lanes...
    local lane
    for lane in "$@"; do
        lane "$lane" >>"$root/build/test-lane-$lane.log" 2>&1 &
        lane_pids+=($!)
    done
}

rm -rf "$root/build/test-results" "$root"/build/test-lane-*.log
build win32 win32 --target all windows_tests
wait "${prefix_pids[@]}"
start_lanes 0 1 2 3
build native native
build win64 win64 --target all
build win64-tests win64 --target windows_tests
start_lanes 4 5
wait "${lane_pids[@]}"
lane_pids=()
cat "$root"/build/test-lane-*.log
took total 0

passed=0
failed=0
# Adds up the test cases of each run from Google Test's reports; a test
# program that failed without reporting a failed case counts as one failure.
for results in "$root"/build/test-results/*/; do
    for report in "$results"*.xml; do
        [ "$(basename "$report")" = ctest.xml ] && continue
        cases=$(sed -n 's/.*<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)".*/\1/p' "$report" | head -1)
        failures=$(sed -n 's/.*<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)".*/\2/p' "$report" | head -1)
        passed=$((passed + ${cases:-0} - ${failures:-0}))
        failed=$((failed + ${failures:-0}))
    done
    while read -r name; do
        failures=$(sed -n 's/.*<testsuites tests="[0-9]*" failures="\([0-9]*\)".*/\1/p' "$results$name.xml" 2>/dev/null | head -1)
        [ "${failures:-0}" -gt 0 ] || failed=$((failed + 1))
    done < <(sed -n 's/.*<testcase name="\([^"]*\)".*status="fail".*/\1/p' "$results/ctest.xml" 2>/dev/null)
done

# A job a lane gave up, or one left on the queue, counts as one failure.
failed=$((failed + $(cat "$queue" "$queue.undone" 2>/dev/null | grep -c .)))

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
