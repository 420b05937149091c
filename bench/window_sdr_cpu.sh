#!/bin/bash
# Processor time and memory of the receiver window while it receives from a
# radio: the tests' SoapySDR module streams a synthesized 2.048 Msps cu8
# recording of 490 and 518 kHz in real time, as an RTL-SDR in direct
# sampling does, and the window decodes both channels (one shown, offscreen,
# with the strip, the tuning searches and the text view at work). Prints
# the share of one core used (from the process's own CPU time in /proc) and
# the resident memory. Needs a build with the tests (the module).
#   bench/window_sdr_cpu.sh [BUILD_DIR] [SECONDS]
# With PERF=1 it also records ten seconds of the window in /tmp/perf.data.
set -euo pipefail
source "$(dirname "$0")/process_cpu.sh"
build=$(cd "${1:-build}" && pwd)
seconds=${2:-40}

messages=()
for n in 1 2 3 4 5 6; do
    messages+=(-m "GA0$n:NAV WARNING $n/24\nNORTH SEA. WRECK 54-12.5N 003-40.2E.")
done
"$build/tools/wavelore-synth" --snr 10 --seed 3 "${messages[@]}" --iq-format cu8 \
    --iq-rate 2048000 --iq-centre 504000 --channel 490000:-30 --channel 518000:-30 \
    --iq-noise -45 --iq-seconds $((seconds + 15)) -o "$work/band.cu8"

args="driver=wavelore_iq_file,file=$work/band.cu8,format=cu8,rate=2048000"
mkdir -p "$work/config/Tarvolt"
cat > "$work/config/Tarvolt/Wavelore.conf" <<CONF
[Settings]
SdrArgs="$args"
SdrRate=2048000
SdrCentre=504000
SoundDevice="SDR: $args"
CONF

SOAPY_SDR_PLUGIN_PATH="$build/tests/soapy_modules" XDG_CONFIG_HOME="$work/config" \
    QT_QPA_PLATFORM=offscreen "$build/src/gui/wavelore" --dir "$work/run" 2>/dev/null &
pid=$!

sleep 5
[ -n "${PERF:-}" ] && perf record -g -o /tmp/perf.data -p "$pid" -- sleep 10 >/dev/null 2>&1
measure_process "$pid" "$seconds"
for khz in 490 518; do
    echo "raw log lines of $khz kHz: $(cat "$work"/run/logs/*/raw/*"$khz"* 2>/dev/null | wc -l)"
done
echo "messages stored while measuring: $(find "$work/run/logs" -name '*GA0*.txt' | wc -l)"
