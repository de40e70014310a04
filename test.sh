#!/usr/bin/env bash
# Installs what is missing, builds the native, x86 and x64 presets, runs every
# test and ends with one line: "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")"
root="$PWD"

# Where the time goes, step by step, in build/test-times.txt.
mkdir -p build
: >"$root/build/test-times.txt"
took() {  # step, the SECONDS it began at
    echo "$1: $((SECONDS - $2)) s" >>"$root/build/test-times.txt"
}

tools/install-packages || { echo "0 passed, 1 failed"; exit 1; }
took packages 0
# The x64 programs' Windows-side tests run beside the x86 ones, in a Wine prefix
# and on a virtual display of their own. Both prefixes are made while the
# presets build: they need none of them.
x64_prefix="$root/build/wine-prefix-win64"
tools/wine-prefix >/dev/null 2>&1 &
prefix_pid=$!
VELTAR_WINEPREFIX="$x64_prefix" tools/wine-prefix >/dev/null 2>&1 &
x64_prefix_pid=$!
for preset in native win32 win64; do
    began=$SECONDS
    if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j"$(nproc)"; } >"build-$preset.log" 2>&1; then
        cat "build-$preset.log"
        rm -f "build-$preset.log"
        echo "0 passed, 1 failed"
        exit 1
    fi
    rm -f "build-$preset.log"
    took "build $preset" "$began"
done

# One virtual display and one Wine prefix for every test that runs a Windows
# program, and a second pair for the x64 programs' Windows-side tests.
xvfb_pid=""
x64_xvfb_pid=""
cleanup() {
    (source tools/wine-env && wineserver -k 2>/dev/null) || true
    (export VELTAR_WINEPREFIX="$x64_prefix" && source tools/wine-env && wineserver -k 2>/dev/null) || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$x64_xvfb_pid" ] && kill "$x64_xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
pidfile="$(mktemp)"
if [ -z "${DISPLAY:-}" ]; then
    DISPLAY="$(tools/virtual-display "$pidfile")" || { echo "0 passed, 1 failed"; exit 1; }
    export DISPLAY
    xvfb_pid="$(cat "$pidfile")"
fi
x64_display="$(tools/virtual-display "$pidfile")" || { echo "0 passed, 1 failed"; exit 1; }
x64_xvfb_pid="$(cat "$pidfile")"
rm -f "$pidfile"
began=$SECONDS
wait "$prefix_pid" "$x64_prefix_pid"
# The stand-in devices start with no drives and no processor, whatever ./run.sh
# last set them to; the tests that need more set it up themselves.
for prefix in "$root/build/wine-prefix" "$x64_prefix"; do
    export VELTAR_WINEPREFIX="$prefix"
    tools/wine-prefix
    VELTAR_SENSORS= tools/wine-run build/win32/veltar-device-standins.exe >/dev/null
    (source tools/wine-env && wineserver -w)
done
unset VELTAR_WINEPREFIX
took "prefixes and stand-in devices" "$began"

# Runs one preset's tests, its results under a name of their own, with any
# further ctest options. Two at a time where they share nothing: the tests on a
# Wine prefix and its display hold a lock and run one after another.
run_tests() {
    local results="$root/build/test-results/$1" preset="$2" run="$1" began=$SECONDS
    shift 2
    rm -rf "$results" && mkdir -p "$results"
    GTEST_OUTPUT="xml:$results/" ctest --test-dir "build/$preset" --output-on-failure -j2 \
        --output-junit "$results/ctest.xml" --timeout 1500 "$@"
    took "tests $run" "$began"
}
# Two lanes of about the same length, each with a prefix and a display of its
# own. The x64 one runs the x64 programs' Windows-side tests, then, from a known
# start of the stand-in devices, some of the Linux-side ones (which drive both
# builds); the project's own runs the x86 programs' Windows-side tests, then
# the other Linux-side tests.
x64_lane_tests='^(desktop|autostart|nvme_report)_tests$'
(
    export VELTAR_WINEPREFIX="$x64_prefix" DISPLAY="$x64_display"
    run_tests win64 win64
    VELTAR_SENSORS= tools/wine-run build/win32/veltar-device-standins.exe >/dev/null
    run_tests native-x64-lane native -R "$x64_lane_tests"
) >"$root/build/test-x64-lane.log" 2>&1 &
x64_lane_pid=$!
run_tests win32 win32
run_tests native native -E "$x64_lane_tests"
wait "$x64_lane_pid"
cat "$root/build/test-x64-lane.log"
took total 0

passed=0
failed=0
# Adds up the test cases of each run from Google Test's reports; a test
# program that failed without reporting a failed case counts as one failure.
for run in native win32 win64 native-x64-lane; do
    results="$root/build/test-results/$run"
    for report in "$results"/*.xml; do
        [ "$(basename "$report")" = ctest.xml ] && continue
        cases=$(sed -n 's/.*<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)".*/\1/p' "$report" | head -1)
        failures=$(sed -n 's/.*<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)".*/\2/p' "$report" | head -1)
        passed=$((passed + ${cases:-0} - ${failures:-0}))
        failed=$((failed + ${failures:-0}))
    done
    while read -r name; do
        failures=$(sed -n 's/.*<testsuites tests="[0-9]*" failures="\([0-9]*\)".*/\1/p' "$results/$name.xml" 2>/dev/null | head -1)
        [ "${failures:-0}" -gt 0 ] || failed=$((failed + 1))
    done < <(sed -n 's/.*<testcase name="\([^"]*\)".*status="fail".*/\1/p' "$results/ctest.xml" 2>/dev/null)
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
