#!/usr/bin/env bash
# Installs what is missing, builds the native, x86 and x64 presets, runs every
# test and ends with one line: "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")"
root="$PWD"

tools/install-packages || { echo "0 passed, 1 failed"; exit 1; }
# The project's Wine prefix is made while the presets build: it needs none of them.
tools/wine-prefix >/dev/null 2>&1 &
prefix_pid=$!
for preset in native win32 win64; do
    if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j"$(nproc)"; } >"build-$preset.log" 2>&1; then
        cat "build-$preset.log"
        rm -f "build-$preset.log"
        echo "0 passed, 1 failed"
        exit 1
    fi
    rm -f "build-$preset.log"
done

# One virtual display and one Wine prefix for every test that runs a Windows program.
xvfb_pid=""
cleanup() {
    source tools/wine-env && wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    pidfile="$(mktemp)"
    DISPLAY="$(tools/virtual-display "$pidfile")" || { echo "0 passed, 1 failed"; exit 1; }
    export DISPLAY
    xvfb_pid="$(cat "$pidfile")"
    rm -f "$pidfile"
fi
wait "$prefix_pid"
tools/wine-prefix
# The stand-in devices start with no drives and no processor, whatever ./run.sh
# last set them to; the tests that need more set it up themselves.
VELTAR_SENSORS= tools/wine-run build/win32/veltar-device-standins.exe >/dev/null
(source tools/wine-env && wineserver -w)

passed=0
failed=0
# Adds up the test cases of one preset from Google Test's reports; a test
# program that failed without reporting a failed case counts as one failure.
run_preset() {
    local preset="$1" results="$root/build/test-results/$1"
    rm -rf "$results" && mkdir -p "$results"
    # Two at a time where they share nothing: the tests on the project's Wine
    # prefix and display hold a lock and run one after another.
    GTEST_OUTPUT="xml:$results/" ctest --test-dir "build/$preset" --output-on-failure -j2 \
        --output-junit "$results/ctest.xml" --timeout 1500
    local name cases failures
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
    done < <(sed -n 's/.*<testcase name="\([^"]*\)".*status="fail".*/\1/p' "$results/ctest.xml")
}
for preset in native win32 win64; do
    run_preset "$preset"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
