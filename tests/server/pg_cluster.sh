#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the server tests.
#   pg_cluster.sh start STATEFILE   initdb, start on a free port of 127.0.0.1, create database
#                                   "mirola"; STATEFILE gets the cluster folder and the URL
#   pg_cluster.sh stop STATEFILE    stop the cluster and remove its folder
#   pg_cluster.sh halt STATEFILE    stop the cluster and keep it, as an outage does
#   pg_cluster.sh resume STATEFILE  start a halted cluster again on its port
#   pg_cluster.sh restart STATEFILE stop and start, as an operator's restart does
# PostgreSQL refuses to run as root, so as root every server command runs as "postgres".
set -euo pipefail

action=$1
state=$2

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ]; then
  echo "pg_cluster.sh: no PostgreSQL under /usr/lib/postgresql" >&2
  exit 1
fi
as_owner=()
if [ "$(id -u)" = 0 ]; then
  as_owner=(runuser -u postgres --)
fi

stop() {
  [ -f "$state" ] || return 0
  local dir
  dir=$(sed -n 1p "$state")
  if [ -d "$dir/data" ]; then
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  case "$dir" in /tmp/mirola-pg.*) rm -rf "$dir" ;; esac
  rm -f "$state"
}

# The cluster folder and its port, from the state file.
cluster() {
  dir=$(sed -n 1p "$state")
  port=$(sed -n 2p "$state" | sed 's/.*:\([0-9]*\)\/.*/\1/')
}

run_cluster() {
  "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off" "$@" >/dev/null
}

case "$action" in
halt)
  cluster
  "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  ;;
resume)
  cluster
  run_cluster start
  ;;
restart)
  cluster
  run_cluster -m fast restart
  ;;
start)
  stop
  dir=$(mktemp -d /tmp/mirola-pg.XXXXXX)
  if [ "${#as_owner[@]}" -gt 0 ]; then
    chown postgres "$dir"
  fi
  echo "$dir" >"$state"
  "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C >"$dir/initdb.log" 2>&1 || {
    cat "$dir/initdb.log" >&2
    exit 1
  }
  # A port that another program holds makes the start fail; try a few.
  for attempt in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 40000))
    if run_cluster start; then
      "${as_owner[@]}" "$bin/createdb" -h 127.0.0.1 -p "$port" -U postgres mirola
      echo "postgresql://postgres@127.0.0.1:$port/mirola" >>"$state"
      exit 0
    fi
  done
  cat "$dir/server.log" >&2 || true
  exit 1
  ;;
stop)
  stop
  ;;
*)
  echo "usage: pg_cluster.sh start|stop|halt|resume|restart STATEFILE" >&2
  exit 2
  ;;
esac
