#!/usr/bin/env bash
# One run of an office's day: cot05000-server on a fresh database (or the one --db names),
# its branch brought to --proposals through the server, a mail receiver on 127.0.0.1:2525,
# then Locust's salespeople and manager (locustfile.py) for a fixed time, headless, and the
# table of what they saw (table.py; Locust's CSV stays in --out).
#   bench/load/run.sh [--users 300] [--spawn 5] [--minutes 10] [--proposals 20000]
#                     [--db URL] [--build build] [--out /tmp/cot-load]
# The cores are shared by taskset: the server on COT_LOAD_SERVER_CPUS (default "0"), Locust
# and the mail receiver on COT_LOAD_LOCUST_CPUS (default "1"). Needs python3-locust and
# python3-aiosmtpd (Debian).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
top="$(cd "$here/../.." && pwd)"
users=300 spawn=5 minutes=10 proposals=20000 db="" build="$top/build" out=/tmp/cot-load
while [ $# -gt 0 ]; do
  case "$1" in
    --users) users=$2; shift 2 ;;
    --spawn) spawn=$2; shift 2 ;;
    --minutes) minutes=$2; shift 2 ;;
    --proposals) proposals=$2; shift 2 ;;
    --db) db=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
server_cpus="${COT_LOAD_SERVER_CPUS:-0}"
locust_cpus="${COT_LOAD_LOCUST_CPUS:-1}"
mkdir -p "$out"
[ -n "$db" ] || { rm -f "$out"/load.db*; db="sqlite:$out/load.db"; }
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT

taskset -c "$server_cpus" "$build/bin/cot05000-server" --db "$db" --port "$port" --log "$out/requests.log" &
pids+=($!)
taskset -c "$locust_cpus" /usr/bin/python3 "$here/mail_sink.py" >/dev/null &
pids+=($!)
for _ in $(seq 1 300); do curl -sf "http://127.0.0.1:$port/health" >/dev/null && break; sleep 0.1; done

/usr/bin/python3 "$here/prepare.py" --host "http://127.0.0.1:$port" --proposals "$proposals"
run="$out/u${users}"
echo "$users users ($spawn a second) for $minutes min; server on cores $server_cpus, Locust on $locust_cpus"
taskset -c "$locust_cpus" locust -f "$here/locustfile.py" --headless --only-summary -u "$users" -r "$spawn" \
  -t "${minutes}m" --host "http://127.0.0.1:$port" --csv "$run" >"$run.txt" 2>&1 || true
/usr/bin/python3 "$here/table.py" "$run"
