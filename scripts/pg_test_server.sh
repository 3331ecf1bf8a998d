#!/usr/bin/env bash
# Sourced by .ci/run: starts a throw-away PostgreSQL server on loopback and exports
# COT_TEST_PG so the server tests also run against it. Stopped when the shell exits.
pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$pg_bin" ]; then
  echo "PostgreSQL não encontrado; testes do servidor só sobre SQLite." >&2
  return 0 2>/dev/null || exit 0
fi
pg_dir=$(mktemp -d /tmp/cot-pg.XXXXXX)
pg_port=${COT_PG_PORT:-55432}
# Another server (a developer's) may hold the port: take the next free one.
while (exec 3<>"/dev/tcp/127.0.0.1/$pg_port") 2>/dev/null; do pg_port=$((pg_port + 1)); done
chown postgres:postgres "$pg_dir"
su postgres -s /bin/sh -c "$pg_bin/initdb -D $pg_dir/data -A trust -U postgres -E UTF8 --locale=C.UTF-8 >$pg_dir/initdb.log 2>&1"
if ! su postgres -s /bin/sh -c "$pg_bin/pg_ctl -D $pg_dir/data -l $pg_dir/server.log -w -o '-c listen_addresses=127.0.0.1 -p $pg_port -k $pg_dir -c max_connections=200 -c fsync=off' start >/dev/null"; then
  echo "PostgreSQL de teste não subiu:" >&2
  tail -n 5 "$pg_dir/server.log" >&2
  return 1 2>/dev/null || exit 1
fi
export COT_TEST_PG="postgresql://postgres@127.0.0.1:$pg_port/postgres"
cot_pg_stop() { su postgres -s /bin/sh -c "$pg_bin/pg_ctl -D $pg_dir/data -m fast stop >/dev/null 2>&1" || true; rm -rf "$pg_dir"; }
trap cot_pg_stop EXIT
echo "PostgreSQL de teste em 127.0.0.1:$pg_port"
