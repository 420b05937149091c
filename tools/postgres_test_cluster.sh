#!/bin/bash
# A throw-away PostgreSQL cluster for the service's tests: initdb and pg_ctl
# in a fresh temporary folder, listening only on a unix socket there, run as
# an unprivileged user (nobody when started as root, since PostgreSQL
# refuses to run as root). "start" writes a libpq connection string to
# URL_FILE; "stop" stops the cluster and removes its folder. Where
# PostgreSQL is not installed, start writes nothing and says so, and the
# PostgreSQL tests skip. With WAVELORE_PG_DURABLE=1 the cluster keeps
# PostgreSQL's durable defaults (for measurements); else it trades them for
# speed.
#   postgres_test_cluster.sh start URL_FILE
#   postgres_test_cluster.sh stop URL_FILE
set -u
action=${1:-}
url_file=${2:-}
if [ -z "$action" ] || [ -z "$url_file" ]; then
    echo "usage: $0 start|stop URL_FILE" >&2
    exit 2
fi
dir_file=$url_file.dir
mkdir -p "$(dirname "$url_file")" || exit 1

as_owner() {
    if [ "$(id -u)" = 0 ]; then
        (cd "$dir" && runuser -u nobody -- "$@")
    else
        (cd "$dir" && "$@")
    fi
}

stop() {
    [ -f "$dir_file" ] || return 0
    dir=$(cat "$dir_file")
    if [ -d "$dir/data" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1
    fi
    rm -rf "$dir"
    rm -f "$dir_file" "$url_file"
}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
case $action in
    start)
        rm -f "$url_file"
        if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
            echo "PostgreSQL is not installed (no initdb): its tests will skip"
            exit 0
        fi
        stop
        dir=$(mktemp -d -t wavelore-pg.XXXXXX) || exit 1
        echo "$dir" >"$dir_file"
        [ "$(id -u)" = 0 ] && chown nobody "$dir"
        chmod 700 "$dir"
        if ! as_owner "$bin/initdb" -D "$dir/data" -U wavelore -A trust -E UTF8 --no-locale \
            --no-sync >"$url_file.log" 2>&1; then
            cat "$url_file.log" >&2
            stop
            exit 1
        fi
        settings="-k $dir -c listen_addresses= -c max_connections=200"
        if [ "${WAVELORE_PG_DURABLE:-0}" != 1 ]; then
            # Tests want speed, not durability.
            settings="$settings -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
        fi
        if ! as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -o "$settings" \
            start >>"$url_file.log" 2>&1; then
            cat "$url_file.log" "$dir/server.log" >&2
            stop
            exit 1
        fi
        echo "host=$dir user=wavelore dbname=postgres" >"$url_file"
        echo "PostgreSQL test cluster running in $dir"
        ;;
    stop)
        stop
        ;;
    *)
        echo "usage: $0 start|stop URL_FILE" >&2
        exit 2
        ;;
esac
