#!/usr/bin/env bash
# Starts the application server on the demo database var/demo.db (created, migrated and
# filled with demo data on first run) and prints its address. When the desktop shell has
# been built, the server runs in the background while the shell is open.
# Options are passed to the shell (for example --screenshot FILE); the shell signs in
# as the demo operator VENDEDOR of branch 0001 unless --operator/--password are given.
set -euo pipefail
cd "$(dirname "$0")/.."
server=build/bin/cot05000-server
shell=build/bin/cot-host
if [ ! -x "$server" ]; then
  echo "O servidor de aplicação ($server) não foi compilado; rode scripts/build.sh." >&2
  exit 2
fi
mkdir -p var
db="sqlite:$PWD/var/demo.db"
port="${COT_PORT:-8211}"

if [ ! -x "$shell" ]; then
  exec "$server" --db "$db" --port "$port"
fi
wants_screenshot=0
for a in "$@"; do [ "$a" = "--screenshot" ] && wants_screenshot=1; done
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "$wants_screenshot" = 0 ]; then
  echo "Sem tela gráfica (DISPLAY): só o servidor de aplicação será executado." >&2
  exec "$server" --db "$db" --port "$port"
fi
[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && export QT_QPA_PLATFORM=offscreen

"$server" --db "$db" --port "$port" &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null || true' EXIT
# Wait until the server answers (first run migrates and seeds the database).
for _ in $(seq 1 100); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
  if ! kill -0 "$server_pid" 2>/dev/null; then
    echo "O servidor de aplicação terminou antes de atender." >&2
    exit 1
  fi
  sleep 0.1
done
login=(--operator VENDEDOR --password vendedor --branch 0001)
for a in "$@"; do [ "$a" = "--operator" ] && login=(); done
# Attachments of the demo live under var/anexos unless another folder is given.
attachments=(--attachments-dir "$PWD/var/anexos")
for a in "$@"; do [ "$a" = "--attachments-dir" ] && attachments=(); done
"$shell" --db "$db" --server "127.0.0.1:$port" --open Pkg_cot05000 "${login[@]}" "${attachments[@]}" "$@"
