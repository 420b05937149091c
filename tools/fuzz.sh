#!/bin/bash
# tools/fuzz.sh TARGET SECONDS [LIBFUZZER OPTIONS...]
# tools/fuzz.sh all SECONDS [LIBFUZZER OPTIONS...]
#
# Builds the fuzz targets with clang (WAVELORE_FUZZ=ON) in build-fuzz/, or
# in the build directory named by WAVELORE_FUZZ_BUILD, and runs one target
# for SECONDS. The seed corpus is written afresh by wavelore-fuzz-seeds
# (synthesizer, samples/, hand-made replies and settings); what the fuzzer
# finds new goes to fuzz-corpus/TARGET in the build directory and is kept
# for the next run; a crashing input is saved as fuzz-crashes/TARGET-*.
# Exit status 0 when nothing was found. "all" builds every target and runs
# each for SECONDS, two at a time (a run takes one core).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WAVELORE_FUZZ_BUILD:-$root/build-fuzz}

targets=$(cd "$root/fuzz" && ls fuzz_*.cpp | sed 's/^fuzz_//; s/\.cpp$//')
if [ $# -lt 2 ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
    echo "usage: tools/fuzz.sh TARGET|all SECONDS [LIBFUZZER OPTIONS...]" >&2
    echo "targets:" $targets >&2
    exit 2
fi
target=${1#fuzz_}
seconds=$2
shift 2
if [ "$target" != all ] && ! grep -qx -- "$target" <<<"$targets"; then
    echo "tools/fuzz.sh: no target '$target'; targets:" $targets >&2
    exit 2
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    # WAVELORE_FUZZ_CXX_FLAGS: the build type's flags instead of -O2 -g.
    flags=()
    if [ -n "${WAVELORE_FUZZ_CXX_FLAGS:-}" ]; then
        flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$WAVELORE_FUZZ_CXX_FLAGS")
    fi
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DWAVELORE_FUZZ=ON \
        -DBUILD_TESTING=OFF -DWAVELORE_BUILD_BENCH=OFF "${launcher[@]}" "${flags[@]}" >/dev/null
fi
if [ "$target" = all ]; then
    cmake --build "$build" -j2 --target fuzz_all
    mkdir -p "$build/fuzz-logs"
    # One build for all, so the runs side by side do not build at once; a
    # run's output is shown when it fails, its closing figures otherwise.
    export WAVELORE_FUZZ_BUILT=1
    status=0
    xargs -P2 -I{} "$root/tools/fuzz.sh" {} "$seconds" "$@" <<<"$targets" \
        >"$build/fuzz-logs/all.log" 2>&1 || status=$?
    for t in $targets; do
        echo "== fuzz_$t"
        if grep -q '^Done ' "$build/fuzz-logs/$t.log"; then
            grep -E '^(Done |stat::)' "$build/fuzz-logs/$t.log"
        else
            cat "$build/fuzz-logs/$t.log"
        fi
    done
    cat "$build/fuzz-logs/all.log"
    exit "$status"
fi
if [ -n "${WAVELORE_FUZZ_BUILT:-}" ]; then
    exec >"$build/fuzz-logs/$target.log" 2>&1
else
    cmake --build "$build" -j2 --target "fuzz_$target" wavelore-fuzz-seeds
fi

# Each target's run writes the seeds afresh in a directory of its own.
seeds=$build/fuzz-seeds/$target
rm -rf "$seeds"
"$build/fuzz/wavelore-fuzz-seeds" "$root/samples" "$seeds"
corpus=$build/fuzz-corpus/$target
mkdir -p "$corpus" "$build/fuzz-crashes"
# Targets that write files do it in a directory of their own, in memory
# where possible: on a disk file system that I/O takes most of each run.
parent=$build
[ -d /dev/shm ] && [ -w /dev/shm ] && parent=/dev/shm
TMPDIR=$(mktemp -d "$parent/wavelore-fuzz.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

# Longer inputs only repeat states the fuzzer has seen, at a higher cost
# per run: 4096 bits for a decoder, 512 samples for the chain (longer than
# its filters and integrators, and in up to eight buffers). Given options
# come later and win.
case $target in
    *_decoder) limits=(-max_len=512) ;;
    receive_chain) limits=(-max_len=1046) ;;
    *) limits=() ;;
esac

"$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-crashes/$target-" "${limits[@]}" "$@" "$corpus" "$seeds/$target"
