#!/bin/sh
# Regenerates navtex_sample.wav and navtex_sample.txt (the text a perfect
# receiver prints from it) with the synthesizer:
#   samples/make_navtex_sample.sh [path/to/wavelore-synth] [output directory]
# Three NAVTEX messages at 100 baud, 170 Hz shift, centre 1700 Hz, +8 dB SNR
# in 2500 Hz; 0.2 s of silence and 1.5 s of noise before the phasing.
set -e
SYNTH=${1:-wavelore-synth}
OUT=${2:-$(dirname "$0")}
"$SYNTH" --mode navtex --centre 1700 --shift 170 --snr 8 --seed 7 \
    --silence 0.2 --lead-in 1.5 --phasing 2 --gap 1 --tail 1 \
    -m 'GA23:221530 UTC MAR 24\nNAV WARNING 231/24\nNORTH SEA. WRECK 54-12.5N 003-40.2E.\nKEEP 1 NM CLEAR.' \
    -m 'GB07:221545 UTC MAR 24\nGALE WARNING. FISHER: NW 8 LATER.' \
    -m 'GE45:FORECAST 0600 UTC\nHUMBER: SW 5 TO 7. RAIN. MODERATE.' \
    -o "$OUT/navtex_sample.wav" -e "$OUT/navtex_sample.txt"
