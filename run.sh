#!/usr/bin/env bash
# Builds the x86 program and starts it under Wine: on this machine's own sensors
# when the Linux kernel reports any, otherwise on the demo sensor values (or on
# what VELTAR_SENSORS names: a fixture, or "live"). On your display, or on a
# virtual one, where it saves a screenshot after the first refresh and says where.
set -euo pipefail
# A fixture may be named relative to the folder run.sh is started from.
if [ -n "${VELTAR_SENSORS:-}" ] && [ "$VELTAR_SENSORS" != live ] && [ -e "$VELTAR_SENSORS" ]; then
    VELTAR_SENSORS="$(realpath "$VELTAR_SENSORS")"
fi
cd "$(dirname "$0")"

tools/install-packages
tools/configure-preset win32 >/dev/null
# Only what runs here: the program with its stand-in library, management
# service and gdi32, the live-sensor summary, the stand-in devices, the history's
# viewer and the demo history's maker.
cmake --build --preset win32 -j"$(nproc)" --target veltar veltar-live-sensors veltar-device-standins gdi32_standin \
    veltar-history veltar-demo-history >/dev/null
# The stand-in gdi32 beside the program answers the graphics kernel's adapter calls.
export WINEDLLOVERRIDES="gdi32=n,b"

if [ -z "${VELTAR_SENSORS:-}" ]; then
    if found="$(tools/wine-run build/win32/veltar-live-sensors.exe | tr -d '\r')"; then
        export VELTAR_SENSORS=live
        echo "Live sensors: $found${VELTAR_SYSFS_ROOT:+ (below $VELTAR_SYSFS_ROOT)}."
    else
        export VELTAR_SENSORS="$PWD/standins/demo-sensors.txt"
        echo "No sensors were found on this machine: the readings are demo values from $VELTAR_SENSORS."
    fi
elif [ "$VELTAR_SENSORS" = live ]; then
    echo "Live sensors${VELTAR_SYSFS_ROOT:+ below $VELTAR_SYSFS_ROOT}, as VELTAR_SENSORS asks."
else
    echo "Fixture values: the readings come from $VELTAR_SENSORS, not from this machine's sensors."
fi
# The stand-in devices play the same: the NVMe drives on the storage path, and
# the processor PawnIO plays. They take it up with the next Wine session.
tools/wine-run build/win32/veltar-device-standins.exe
(source tools/wine-env && wineserver -w)

# The window records every refresh in the prefix's user profile, as on Windows;
# a scripted week shows every kind of pane without waiting for one.
demo_history="$PWD/build/demo-history.dat"
# A console program: it needs no display of its own.
(source tools/wine-env && wine build/win32/veltar-demo-history.exe "Z:${demo_history//\//\\}" && wineserver -w)
history_file="$(source tools/wine-env && echo "$WINEPREFIX")/drive_c/users/$(whoami)/AppData/Local/Veltar/history.dat"
echo "The window records each refresh in $history_file."
echo "To see it: tools/wine-run build/win32/veltar-history.exe (keys 1-5 choose the span);"
echo "a scripted week: tools/wine-run build/win32/veltar-history.exe --file='Z:${demo_history//\//\\}'"

if [ -n "${DISPLAY:-}" ]; then
    echo "Starting veltar.exe on $DISPLAY; Esc in its window ends it."
    exec tools/wine-run build/win32/veltar.exe
fi

source tools/wine-env
tools/wine-prefix
pidfile="$(mktemp)"
DISPLAY="$(tools/virtual-display "$pidfile")"
export DISPLAY
xvfb_pid="$(cat "$pidfile")"
rm -f "$pidfile"
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT

# Watch the display for the window to be mapped, then for its title to take the
# first report, which the first refresh sets.
coproc XEV { exec timeout 60 xev -display "$DISPLAY" -root -event substructure 2>/dev/null; }
trap 'kill "$XEV_PID" 2>/dev/null || true; wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT
tools/wine-run build/win32/veltar.exe &
window=""
while read -r line <&"${XEV[0]}"; do
    [[ "$line" == MapNotify* ]] || continue
    read -r line <&"${XEV[0]}"
    mapped="$(grep -o 'window 0x[0-9a-f]*' <<<"$line" | tail -1 | cut -d' ' -f2)"
    # Wine maps helper windows too; the main window is titled "VELTAR" until its first refresh.
    if xprop -display "$DISPLAY" -id "$mapped" WM_NAME 2>/dev/null | grep -q -e VELTAR -e CPU1; then
        window="$mapped"
        break
    fi
done
[ -n "$window" ] || { echo "run.sh: the window did not appear" >&2; exit 1; }
{ timeout 30 xprop -display "$DISPLAY" -spy -id "$window" WM_NAME || true; } | grep -q -m1 'CPU1' || {
    echo "run.sh: the window showed no report" >&2
    exit 1
}
screenshot="$PWD/build/veltar-screenshot.png"
xwd -display "$DISPLAY" -root -silent | convert xwd:- "png:$screenshot"
echo "No display: veltar.exe ran on a virtual display. Screenshot after the first refresh: $screenshot"
