#!/usr/bin/env bash
# Builds the x86 program and runs it under Wine on the demo sensor values (or
# on the fixture that VELTAR_SENSORS names).
set -euo pipefail
cd "$(dirname "$0")"

tools/install-packages
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$(nproc)" >/dev/null

fixture="${VELTAR_SENSORS:-$PWD/standins/demo-sensors.txt}"
echo "Demo values: these readings come from the sensor fixture $fixture, not from this machine's sensors."
VELTAR_SENSORS="$fixture" tools/wine-run build/win32/veltar-report.exe
