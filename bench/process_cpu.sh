# Sourced by the window benchmarks: a scratch directory ($work) removed at
# the end with the process measured ($pid, once started), and the share of
# one core that process uses over a span (from its own CPU time in /proc)
# and its resident memory:
#   measure_process PID SECONDS
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

measure_process() {
    local pid=$1 seconds=$2 t0 t1 w0 w1 hz
    ticks() {  # user + system time of the process, in clock ticks
        awk '{ print $14 + $15 }' "/proc/$pid/stat"
    }
    t0=$(ticks)
    w0=$(date +%s.%N)
    sleep "$seconds"
    t1=$(ticks)
    w1=$(date +%s.%N)
    hz=$(getconf CLK_TCK)
    awk -v t0="$t0" -v t1="$t1" -v w0="$w0" -v w1="$w1" -v hz="$hz" 'BEGIN {
        printf "CPU: %.2f %% of one core over %.1f s\n", 100 * (t1 - t0) / hz / (w1 - w0), w1 - w0 }'
    grep -E '^(VmRSS|VmHWM)' "/proc/$pid/status"
}
