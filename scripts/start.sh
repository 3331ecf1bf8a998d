#!/usr/bin/env bash
# Starts the application server on the demo database (and, once it exists, the shell).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -x build/bin/cot05000-server ]; then
  echo "O servidor de aplicação (cot05000-server) ainda não existe nesta versão." >&2
  exit 2
fi
exec build/bin/cot05000-server "$@"
