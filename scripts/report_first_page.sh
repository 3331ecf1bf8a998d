#!/bin/sh
# Regenerates docs/screenshots/report_first_page.png: runs scenarios/print_proposal.scn
# against a fresh demo server and renders the first page of the PDF it writes.
#   scripts/report_first_page.sh [build directory, default build]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/${1:-build}/bin"
work=$(mktemp -d)
"$bin/cot05000-server" --db "sqlite:$work/demo.db" --port 0 >"$work/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q '/rpc' "$work/server.log" && break; sleep 0.1; done
port=$(sed -n 's/.*:\([0-9][0-9]*\)\/rpc.*/\1/p' "$work/server.log" | head -n 1)
(cd "$work" && xvfb-run -a -s "-screen 0 1400x900x24" "$bin/cot-host" --db "sqlite:$work/demo.db" \
    --server "127.0.0.1:$port" --scenario "$root/scenarios/print_proposal.scn" >/dev/null)
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$work/proposta_2_01.pdf" "$root/docs/screenshots/report_first_page"
