#!/bin/bash
# The collection service under load on this machine, with PostgreSQL (a
# durable cluster of its own in a temporary folder) or SQLite: starts
# wavelore-service on 127.0.0.1, runs service_load against it at low
# priority (it makes its receivers on the sign-up page first), and stops
# everything. Loopback only; at most an hour.
#   bench/service_load.sh BUILD_DIR [--sqlite] [--duration S] [--interval S]
#                         [--receivers N] [--readers N] [--threads N]
# BUILD_DIR must hold wavelore-service and service_load
# (-DWAVELORE_BUILD_BENCH=ON; cmake --build BUILD_DIR --target
# wavelore-service service_load).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: $0 BUILD_DIR [--sqlite] [--duration S] [--interval S] [--receivers N] [--readers N] [--threads N]}
shift
backend=postgresql duration=600 interval=30 receivers=1000 readers=50 threads=4
while [ $# -gt 0 ]; do
    case $1 in
        --sqlite) backend=sqlite; shift ;;
        --duration) duration=$2; shift 2 ;;
        --interval) interval=$2; shift 2 ;;
        --receivers) receivers=$2; shift 2 ;;
        --readers) readers=$2; shift 2 ;;
        --threads) threads=$2; shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
service=$build/src/service/wavelore-service
load=$build/bench/service_load
for program in "$service" "$load"; do
    [ -x "$program" ] || { echo "$program is not built" >&2; exit 2; }
done

work=$(mktemp -d -t wavelore-load.XXXXXX)
service_pid=
cleanup() {
    [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null
    [ -f "$work/pg.url" ] && "$here/tools/postgres_test_cluster.sh" stop "$work/pg.url"
    rm -rf "$work"
}
trap cleanup EXIT

args=(--data "$work/data" --listen 127.0.0.1:0)
if [ $backend = postgresql ]; then
    WAVELORE_PG_DURABLE=1 "$here/tools/postgres_test_cluster.sh" start "$work/pg.url" >/dev/null
    [ -s "$work/pg.url" ] || { echo "no PostgreSQL to run on; try --sqlite" >&2; exit 1; }
    args+=(--database "$(cat "$work/pg.url")")
fi

# The receivers are made on the sign-up page, open for this run only.
WAVELORE_SERVICE_THREADS=$threads WAVELORE_SERVICE_SIGNUP=true \
    WAVELORE_SERVICE_SIGNUPS_PER_HOUR=100000 \
    nice -n 10 "$service" "${args[@]}" serve 2>"$work/service.log" &
service_pid=$!
port=
for _ in $(seq 1 100); do
    port=$(sed -n 's/.*"event":"started".*"port":\([0-9]*\).*/\1/p' "$work/service.log")
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { cat "$work/service.log" >&2; exit 1; }

status=0
echo "$receivers receivers on $backend"
nice -n 10 "$load" --port "$port" --receivers "$receivers" \
    --interval "$interval" --readers "$readers" --duration "$duration" || status=$?
errors=$(grep -c '"level":"error"' "$work/service.log" || true)
echo "service log: $errors errors"
grep '"level":"error"' "$work/service.log" | head -5
exit $status
