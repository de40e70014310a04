#!/usr/bin/env bash
# Installs what is missing, builds the native, x86 and x64 presets, runs every
# test and ends with one line: "N passed, N failed".
#
# The tests mostly wait on Wine, so they run while the next preset builds: in
# three lanes, each with a Wine prefix and a virtual display of its own, a test
# program's cases shared out between lanes.
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

prefixes=("$root/build/wine-prefix" "$root/build/wine-prefix-2" "$root/build/wine-prefix-3")
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
prefix_pids=()
for prefix in "${prefixes[@]}"; do
    VELTAR_WINEPREFIX="$prefix" tools/wine-prefix >/dev/null 2>&1 &
    prefix_pids+=($!)
done
pidfile="$(mktemp)"
for _ in "${prefixes[@]}"; do
    displays+=("$(tools/virtual-display "$pidfile")") || failed_to_start
    xvfb_pids+=("$(cat "$pidfile")")
done
rm -f "$pidfile"

# Configures a preset the first time it is named here and builds it, or the
# targets named.
declare -A configured
build() {  # preset [cmake --build options...]
    local preset="$1" began=$SECONDS log="$root/build-$1.log"
    shift
    if ! { { [ -n "${configured[$preset]:-}" ] || cmake --preset "$preset" >/dev/null; } &&
        cmake --build "build/$preset" -j"$(nproc)" "$@"; } >"$log" 2>&1; then
        cat "$log"
        rm -f "$log"
        failed_to_start
    fi
    rm -f "$log"
    configured[$preset]=1
    took "build $preset${*:+ $*}" "$began"
}

# Runs tests on a lane: its prefix and display, its stand-in devices set back
# to no drives and no processor (whatever ./run.sh or the tests before left),
# then ctest with a Google Test filter and the lane's share of each program's
# cases (one of as many shares as are given), the results under a name of their own.
lane_tests() {  # lane, shares, filter, results, preset, ctest options...
    local lane="$1" shares="$2" filter="$3" results="$root/build/test-results/$4-$1" preset="$5"
    shift 5
    (
        began=$SECONDS
        export VELTAR_WINEPREFIX="${prefixes[$lane]}" DISPLAY="${displays[$lane]}" GTEST_FILTER="$filter"
        if [ "$shares" -gt 1 ]; then export GTEST_TOTAL_SHARDS="$shares" GTEST_SHARD_INDEX="$lane"; fi
        tools/wine-prefix
        VELTAR_SENSORS= tools/wine-run build/win32/veltar-device-standins.exe >/dev/null
        (source tools/wine-env && wineserver -w)
        rm -rf "$results" && mkdir -p "$results"
        GTEST_OUTPUT="xml:$results/" ctest --test-dir "build/$preset" --output-on-failure -j2 \
            --output-junit "$results/ctest.xml" --timeout 1500 "$@"
        took "tests $(basename "$results")" "$began"
    )
}
# Runs a command on a lane in the background; wait_lanes waits for them all.
on_lane() {  # lane, command...
    local lane="$1"
    shift
    "$@" >>"$root/build/test-lane-$lane.log" 2>&1 &
    lane_pids+=($!)
}
wait_lanes() {
    wait "${lane_pids[@]}"
    lane_pids=()
}
# The MSIs and archives pack the build folders: on a lane of their own, one
# preset's at a time, and never while that preset builds.
packaging='^(installer|release)_tests$'
then_packages() {  # lane, filter, results: a third of the others first
    lane_tests "$1" 3 "$2" "$3" native -E "$packaging"
    lane_tests "$1" 1 "$2" "packaging-$3" native -R "$packaging"
}

rm -rf "$root/build/test-results" "$root"/build/test-lane-*.log
build win32 --target all windows_tests
wait "${prefix_pids[@]}"

# The x86 build's Windows-side tests while the native preset builds.
for lane in 0 1 2; do on_lane "$lane" lane_tests "$lane" 3 '*' win32 win32; done
build native
wait_lanes

# The Linux-side tests of the x86 programs while the x64 programs build.
on_lane 0 lane_tests 0 3 '*/0' native-x86 native -E "$packaging"
on_lane 1 lane_tests 1 3 '*/0' native-x86 native -E "$packaging"
on_lane 2 then_packages 2 '*/0' native-x86
build win64
wait_lanes

# The Linux-side tests of the x64 programs while the x64 tests build.
for lane in 0 1 2; do on_lane "$lane" lane_tests "$lane" 3 '-*/0' native-x64 native -E "$packaging"; done
build win64 --target windows_tests
wait_lanes

# The x64 build's Windows-side tests, and its packages (the x64 folder is
# whole now).
on_lane 0 lane_tests 0 2 '*' win64 win64
on_lane 1 lane_tests 1 2 '*' win64 win64
on_lane 2 lane_tests 2 1 '-*/0' packaging-x64 native -R "$packaging"
wait_lanes
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

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
