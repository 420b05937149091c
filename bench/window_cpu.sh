#!/bin/bash
# Processor time and memory of the receiver window while it receives in real
# time: `wavelore --play` of a synthesized broadcast, offscreen, with the
# spectrum strip, SmartTune, the signal panel and the text view all at work.
# Prints the share of one core used over a minute (from the process's own
# CPU time in /proc) and the resident memory.
#   bench/window_cpu.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
source "$(dirname "$0")/process_cpu.sh"
build=${1:-build}
seconds=${2:-60}

# Long enough to keep the receiver busy for the whole measurement.
messages=()
for n in 1 2 3 4 5 6 7 8; do
    messages+=(-m "GA0$n:NAV WARNING $n/24\nNORTH SEA. WRECK 54-12.5N 003-40.2E.\nKEEP 1 NM CLEAR OF POSITION.")
done
"$build/tools/wavelore-synth" --snr 10 --seed 3 --tail $((seconds + 20)) "${messages[@]}" \
    -o "$work/broadcast.wav"

XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
    "$build/src/gui/wavelore" --play "$work/broadcast.wav" --dir "$work/run" 2>/dev/null &
pid=$!

sleep 5
measure_process "$pid" "$seconds"
stored=$(find "$work/run/logs" -name '*GA0*.txt' | wc -l)
echo "messages stored while measuring: $stored"
