#!/usr/bin/env bash
# Checks the scale-out recipe of docs/deploy.md on loopback: a throw-away PostgreSQL, two
# cot05000-server processes over one database, and nginx in front of them with the site
# block of docs/deploy.md (its ports replaced by free ones). Then:
#   - a session opened through nginx is accepted by each server called directly, and once
#     closed is refused by both;
#   - an answer asked gzipped comes through nginx gzipped;
#   - a call from another loopback address (127.0.0.2) is logged by the servers under that
#     address, not nginx's nor one the client wrote in X-Forwarded-For;
#   - every scenarios/*.scn runs through nginx (cot-host --server 127.0.0.1:<nginx>), each
#     on a fresh demo database, as tests/e2e/test_scenarios.cpp runs them;
#   - both servers took calls.
# Prints a summary and exits non-zero when anything failed.
#   scripts/nginx_check.sh [build directory, default build]
# Needs root to install nginx when missing and to start the throw-away PostgreSQL
# (scripts/pg_test_server.sh); with COT_TEST_PG already set, that server is used instead.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/smtp_receiver.sh"
bin="$root/${1:-build}/bin"
server_bin="$bin/cot05000-server"
host_bin="$bin/cot-host"
deploy="$root/docs/deploy.md"

die() { echo "nginx_check: $*" >&2; exit 2; }
[ -x "$server_bin" ] && [ -x "$host_bin" ] || die "compile antes: faltam $server_bin ou $host_bin"
command -v curl >/dev/null || die "curl não encontrado"
command -v psql >/dev/null || die "psql não encontrado (pacote postgresql-client)"

# nginx, installed like scripts/deps.sh installs what is missing.
nginx_bin=$(command -v nginx || true)
[ -z "$nginx_bin" ] && [ -x /usr/sbin/nginx ] && nginx_bin=/usr/sbin/nginx
if [ -z "$nginx_bin" ]; then
  [ "$(id -u)" -eq 0 ] || die "nginx não instalado (rode como root para instalá-lo)"
  echo "Instalando: nginx"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends nginx >/dev/null || die "apt-get falhou"
  # The package starts the system's nginx; this check runs its own.
  systemctl disable --now nginx >/dev/null 2>&1 || service nginx stop >/dev/null 2>&1 || true
  nginx_bin=/usr/sbin/nginx
fi

work=$(mktemp -d /tmp/cot-nginx.XXXXXX)
server_pids=()
nginx_pid=""
stop_servers() {
  for p in "${server_pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${server_pids[@]}"; do wait "$p" 2>/dev/null; done
  server_pids=()
}
cleanup() {
  stop_servers
  [ -n "$smtp_pid" ] && { kill "$smtp_pid" 2>/dev/null; wait "$smtp_pid" 2>/dev/null; }
  [ -n "$nginx_pid" ] && { kill "$nginx_pid" 2>/dev/null; wait "$nginx_pid" 2>/dev/null; }
  rm -rf "$work"
  if declare -F cot_pg_stop >/dev/null; then cot_pg_stop; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# PostgreSQL: the one given, or a throw-away one (stopped by cleanup).
if [ -z "${COT_TEST_PG:-}" ]; then
  [ "$(id -u)" -eq 0 ] || die "sem COT_TEST_PG, o PostgreSQL de teste precisa de root"
  # shellcheck source=pg_test_server.sh
  source "$root/scripts/pg_test_server.sh" || die "PostgreSQL de teste não subiu"
  trap cleanup EXIT  # pg_test_server.sh sets its own; cleanup calls it
  [ -n "${COT_TEST_PG:-}" ] || die "PostgreSQL não encontrado"
fi
pg_admin=$COT_TEST_PG
pg_base=${pg_admin%/*}  # postgresql://user@host:port

# A free port below the range the system hands out to outgoing connections: the servers
# are restarted on their ports for every scenario, and a connection that took a server's
# port as its own end in between (nginx to the other server) would keep it from starting.
free_port() {
  python3 - <<'PY'
import random, socket
low = int(open("/proc/sys/net/ipv4/ip_local_port_range").read().split()[0])
for _ in range(200):
    port = random.randrange(max(1024, low - 12000), low)
    s = socket.socket()
    try:
        s.bind(("127.0.0.1", port))
    except OSError:
        continue
    finally:
        s.close()
    print(port)
    break
PY
}
wait_health() {  # port pid
  for _ in $(seq 1 300); do
    curl -fsS -o /dev/null "http://127.0.0.1:$1/health" 2>/dev/null && return 0
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

port_a=$(free_port)
port_b=$(free_port)
while [ "$port_b" = "$port_a" ]; do port_b=$(free_port); done
nginx_port=$(free_port)
database_number=0
database=""

# A fresh database with the demo data, served by both servers: the first seeds it (the
# default), the second starts only once the first answers, with --no-seed.
start_servers() {
  database_number=$((database_number + 1))
  database="cot_nginx_$database_number"
  psql -qX "$pg_admin" -c "CREATE DATABASE $database" >/dev/null || return 1
  local url="$pg_base/$database"
  "$server_bin" --db "$url" --port "$port_a" --threads 4 --trusted-proxy 127.0.0.1 >>"$work/server_a.log" 2>&1 &
  server_pids+=($!)
  wait_health "$port_a" "${server_pids[0]}" || { echo "servidor A não atendeu:" >&2; tail -n 3 "$work/server_a.log" >&2; return 1; }
  "$server_bin" --db "$url" --port "$port_b" --threads 4 --trusted-proxy 127.0.0.1 --no-seed \
    >>"$work/server_b.log" 2>&1 &
  server_pids+=($!)
  wait_health "$port_b" "${server_pids[1]}" || { echo "servidor B não atendeu:" >&2; tail -n 3 "$work/server_b.log" >&2; return 1; }
  database_url=$url
}
drop_database() {
  stop_servers
  psql -qX "$pg_admin" -c "DROP DATABASE IF EXISTS $database" >/dev/null 2>&1
}

# nginx: the site block of docs/deploy.md inside a configuration of its own that keeps
# every file in the work folder.
mkdir -p "$work/nginx/logs" "$work/nginx/temp"
site=$(awk '/<!-- nginx-site/ {found=1; next} found && /^```nginx/ {inside=1; next}
            inside && /^```/ {exit} inside {print}' "$deploy")
[ -n "$site" ] || die "bloco nginx-site não encontrado em $deploy"
grep -q '127.0.0.1:8311' <<<"$site" && grep -q '127.0.0.1:8312' <<<"$site" && grep -q 'listen 80 default_server;' <<<"$site" ||
  die "o bloco de docs/deploy.md mudou de forma: confira as portas 8311/8312 e 'listen 80 default_server;'"
site=${site//127.0.0.1:8311/127.0.0.1:$port_a}
site=${site//127.0.0.1:8312/127.0.0.1:$port_b}
site=${site//listen 80 default_server;/listen 127.0.0.1:$nginx_port default_server;}
user_line=""
[ "$(id -u)" -eq 0 ] && user_line="user $(id -un) $(id -gn);"
cat >"$work/nginx/nginx.conf" <<EOF
$user_line
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log warn;
events { worker_connections 256; }
http {
    access_log $work/nginx/logs/access.log;
    client_body_temp_path $work/nginx/temp/body;
    proxy_temp_path $work/nginx/temp/proxy;
    fastcgi_temp_path $work/nginx/temp/fastcgi;
    uwsgi_temp_path $work/nginx/temp/uwsgi;
    scgi_temp_path $work/nginx/temp/scgi;
    # Another site on the same port, read first, as on a machine that serves more than ours:
    # calls by address (no name of ours) still reach the site, its default_server.
    server {
        listen 127.0.0.1:$nginx_port;
        server_name outro.exemplo;
        return 421;
    }
$site
}
EOF
"$nginx_bin" -t -q -p "$work/nginx" -e "$work/nginx/logs/error.log" -c "$work/nginx/nginx.conf" ||
  die "nginx recusou a configuração ($work/nginx/nginx.conf)"

failures=()
passed=0
failed=0
skipped=0
fail() { failures+=("$1"); echo "  FALHOU: $1"; }
fail_scenario() { failed=$((failed + 1)); fail "$1"; }

start_servers || die "servidores não subiram: $(tail -n 3 "$work"/server_*.log)"
"$nginx_bin" -p "$work/nginx" -e "$work/nginx/logs/error.log" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
up=0
for _ in $(seq 1 100); do
  curl -fsS -o /dev/null "http://127.0.0.1:$nginx_port/health" 2>/dev/null && { up=1; break; }
  kill -0 "$nginx_pid" 2>/dev/null || break
  sleep 0.1
done
[ $up = 1 ] || die "nginx não atendeu: $(tail -n 5 "$work/nginx/logs/error.log")"
echo "nginx em 127.0.0.1:$nginx_port -> servidores 127.0.0.1:$port_a e 127.0.0.1:$port_b"

rpc() {  # port method params-json [token] → body
  local auth=()
  [ -n "${4:-}" ] && auth=(-H "Authorization: Bearer $4")
  curl -sS "${auth[@]}" -H 'Content-Type: application/json' \
       -d "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"$2\",\"params\":$3}" "http://127.0.0.1:$1/rpc"
}
json_get() { python3 -c "import json,sys
d=json.load(sys.stdin)
for k in sys.argv[1].split('.'):
    d = d.get(k) if isinstance(d, dict) else None
print('' if d is None else d)" "$1"; }

echo "== Sessão aberta pelo nginx"
token=$(rpc "$nginx_port" AbreSessao '["VENDEDOR","vendedor"]' | json_get result.token)
if [ -z "$token" ]; then
  fail "AbreSessao pelo nginx não devolveu token"
else
  for port in "$port_a" "$port_b"; do
    answer=$(rpc "$port" GetDataHoraServ '[]' "$token")
    if [ -n "$(json_get result <<<"$answer")" ] && [ -z "$(json_get error <<<"$answer")" ]; then
      echo "  servidor :$port aceita a sessão"
    else
      fail "servidor :$port recusou a sessão aberta pelo nginx: $answer"
    fi
    code=$(rpc "$port" GetDataHoraServ '[]' "x$token" | json_get error.code)
    [ "$code" = "-32001" ] || fail "servidor :$port aceitou um token inventado (código '$code')"
  done
  # An answer over a packet, asked gzipped, comes through nginx as the server wrote it.
  headers=$(curl -sS -o "$work/list.gz" -D - -H "Authorization: Bearer $token" -H 'Accept-Encoding: gzip' \
                 -H 'Content-Type: application/json' \
                 -d '{"jsonrpc":"2.0","id":1,"method":"GetProposta","params":["0001","T"]}' \
                 "http://127.0.0.1:$nginx_port/rpc")
  if grep -qi '^Content-Encoding: gzip' <<<"$headers" && gzip -dc "$work/list.gz" | grep -q '"result"'; then
    echo "  lista pedida compactada chega compactada (gzip)"
  else
    fail "a lista pedida com Accept-Encoding: gzip não chegou compactada pelo nginx"
  fi
  rpc "$nginx_port" FechaSessao '[]' "$token" >/dev/null
  refused=0
  for port in "$port_a" "$port_b"; do
    code=$(rpc "$port" GetDataHoraServ '[]' "$token" | json_get error.code)
    if [ "$code" = "-32001" ]; then refused=$((refused + 1))
    else fail "servidor :$port aceitou a sessão fechada pelo nginx (código '$code')"; fi
  done
  [ $refused = 2 ] && echo "  sessão fechada pelo nginx é recusada pelos dois servidores"
fi

# The servers trust nginx (127.0.0.1) to name the client; a sign-in from 127.0.0.2, with a
# header of its own, must be logged (and throttled) under 127.0.0.2.
echo "== Endereço do cliente pelo nginx"
curl -sS -o /dev/null --interface 127.0.0.2 -H 'Content-Type: application/json' -H 'X-Forwarded-For: 203.0.113.7' \
     -d '{"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":["NGINX_CHECK","errada"]}' \
     "http://127.0.0.1:$nginx_port/rpc" || fail "chamada de 127.0.0.2 ao nginx não foi feita"
sleep 0.3  # the line is written after the answer
seen=$(grep -h 'entrada=NGINX_CHECK ' "$work"/server_*.log | tail -n 1)
if grep -q ' ip=127\.0\.0\.2 ' <<<"$seen"; then
  echo "  os servidores registram o cliente (127.0.0.2), não o nginx"
else
  fail "o endereço do cliente não chegou pelo nginx (X-Forwarded-For e --trusted-proxy): '${seen:-nenhuma linha}'"
fi

# The SMTP receiver of the tests, for the scenarios that approve a proposal (the branch's
# mail server is pointed at it, as tests/e2e/test_scenarios.cpp does).

echo "== Roteiros pelo nginx"
first=1
for scenario in "$root"/scenarios/*.scn; do
  name=$(basename "$scenario" .scn)
  approves=0
  grep -q 'click sbtAprovacao' "$scenario" && approves=1
  if [ $approves = 1 ] && [ $smtp_ready = 0 ]; then
    echo "-- $name: PULADO (aprova uma proposta e precisa do receptor SMTP: instale python3-aiosmtpd)"
    skipped=$((skipped + 1))
    continue
  fi
  # Each scenario on a fresh demo database (the first reuses the one the session check used).
  if [ $first = 0 ]; then
    drop_database
    start_servers || { fail_scenario "$name: servidores não subiram"; continue; }
  fi
  first=0
  run="$work/run_$name"
  mkdir -p "$run"
  # Files the scenario picks in a file chooser are written in its working folder.
  while read -r picked; do
    [ -n "$picked" ] && printf 'Arquivo do roteiro %s\n' "$name" >"$run/$picked"
  done < <(sed -n 's/^answer arquivo \([^ ]*\)$/\1/p' "$scenario")
  if [ $approves = 1 ]; then
    start_smtp "$run/smtp" || { fail_scenario "$name: receptor SMTP não subiu"; continue; }
    psql -qX "$database_url" -c "UPDATE ENDEFILI SET DSSMTPEMAILF = '127.0.0.1:$smtp_port' WHERE CDFILIAL = '0001' AND IDTPENDEFILI = 'P'" \
      >/dev/null || { fail_scenario "$name: servidor de e-mail da filial não foi trocado"; stop_smtp; continue; }
  fi
  (cd "$run" && env -u XDG_CONFIG_HOME -u COT_PASSWORD HOME="$run" QT_QPA_PLATFORM=offscreen \
     timeout 300 "$host_bin" --db "$database_url" --server "127.0.0.1:$nginx_port" \
       --operator VENDEDOR --password vendedor --attachments-dir "$run/anexos" \
       --scenario "$scenario" >"$run/output.txt" 2>&1)
  code=$?
  mails=0
  if [ $approves = 1 ]; then
    sleep 1  # notifications are sent after the acceptance's dialog
    mails=$(find "$run/smtp" -name '*.eml' | wc -l)
    stop_smtp
  fi
  if [ $code -ne 0 ] || ! grep -q 'roteiro concluído' "$run/output.txt"; then
    fail_scenario "$name (saída $code)"
    if grep -q 'FALHOU' "$run/output.txt"; then grep -A4 'FALHOU' "$run/output.txt" | head -n 12
    else tail -n 5 "$run/output.txt"; fi | sed 's/^/     /'
  elif grep -q 'window frmConfAceite' "$scenario" && [ "$mails" -eq 0 ]; then
    fail_scenario "$name: a aprovação não enviou e-mail ao receptor"
  else
    passed=$((passed + 1))
    extra=""
    [ $approves = 1 ] && extra=" ($mails e-mail(s) recebidos)"
    echo "-- $name: ok$extra"
  fi
done
drop_database

# Round robin spread the calls: both servers answered some.
calls_a=$(grep -c ' req=' "$work/server_a.log" || true)
calls_b=$(grep -c ' req=' "$work/server_b.log" || true)
echo "== Chamadas atendidas: servidor :$port_a $calls_a, servidor :$port_b $calls_b"
[ "$calls_a" -gt 0 ] && [ "$calls_b" -gt 0 ] || fail "o nginx não repartiu as chamadas entre os dois servidores"
if grep -q '\[error\]' "$work/nginx/logs/error.log"; then
  fail "o nginx registrou erros"
  grep '\[error\]' "$work/nginx/logs/error.log" | tail -n 5 | sed 's/^/     /'
fi

echo
echo "Resumo: roteiros: $passed ok, $failed falharam, $skipped pulados;" \
     "outras verificações que falharam: $((${#failures[@]} - failed))"
if [ ${#failures[@]} -gt 0 ]; then
  printf '  - %s\n' "${failures[@]}"
  exit 1
fi
echo "Tudo certo pelo nginx."
