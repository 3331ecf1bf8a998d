#!/usr/bin/env bash
# Regenerates the pictures of docs/screenshots from the real screens, each over a fresh
# demo database served by its own cot05000-server, under Xvfb:
#   - every scenario with a `screenshot` step (its pictures, written as
#     docs/screenshots/NAME.png under the run's working folder, are copied here);
#   - proposal_list.png: the shell signed in with the proposal screen open (--screenshot);
#   - header_form.png: the header test's picture (COT_HEADER_SCREENSHOT);
#   - report_first_page.png: scripts/report_first_page.sh;
#   - client_page_desktop.png, client_page_phone.png: the client's page in headless Chromium
#     (the browser test, COT_SCREENSHOTS_DIR).
# A picture is replaced only when its run succeeded and wrote a PNG. Ends listing what was
# written and every picture of docs/screenshots that was not, with the reason; exits 1
# when any was not.
#   scripts/screenshots.sh [build directory, default build]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/smtp_receiver.sh"
build=${1:-build}
bin="$root/$build/bin"
shots="$root/docs/screenshots"
screen="-screen 0 1400x900x24"

die() { echo "screenshots: $*" >&2; exit 2; }
[ -x "$bin/cot05000-server" ] && [ -x "$bin/cot-host" ] || die "compile antes: faltam os programas em $bin"
command -v xvfb-run >/dev/null || die "xvfb-run não encontrado (pacote xvfb; veja scripts/deps.sh)"
command -v sqlite3 >/dev/null || die "sqlite3 não encontrado (pacote sqlite3)"

work=$(mktemp -d /tmp/cot-shots.XXXXXX)
server_pid=""
stop_server() { [ -n "$server_pid" ] && { kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; }; server_pid=""; }
trap 'stop_server; stop_smtp; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

declare -A written=()   # picture → "W×H (before W×H)"
declare -A reason=()    # picture → why it was not regenerated

png_size() {  # file → "W×H", empty when not a PNG
  python3 - "$1" <<'PY' 2>/dev/null
import struct, sys
d = open(sys.argv[1], "rb").read(24)
if d[:8] == b"\x89PNG\r\n\x1a\n":
    w, h = struct.unpack(">II", d[16:24])
    print("%d×%d" % (w, h))
PY
}

# Takes a picture made in a run into docs/screenshots, when it is one.
take() {  # made-file picture-name
  local size before
  size=$(png_size "$1")
  if [ -z "$size" ]; then
    reason[$2]="a execução não gravou uma imagem PNG"
    return 1
  fi
  before=$(png_size "$shots/$2")
  cp "$1" "$shots/$2"
  written[$2]="$size${before:+ (antes $before)}"
  unset 'reason[$2]'
}

# A server over a fresh demo database (seeded at its first start) on a free port.
database=""
port=""
start_server() {  # folder
  mkdir -p "$1"
  database="$1/demo.db"
  "$bin/cot05000-server" --db "sqlite:$database" --port 0 --threads 4 >"$1/server.log" 2>&1 &
  server_pid=$!
  port=""
  for _ in $(seq 1 300); do
    port=$(sed -n 's/.*:\([0-9][0-9]*\)\/rpc.*/\1/p' "$1/server.log" | head -n 1)
    [ -n "$port" ] && return 0
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "  o servidor não atendeu: $(tail -n 2 "$1/server.log")"
  return 1
}

# The mail receiver of the tests, for scenarios that approve a proposal or send it to the client.

# cot-host in the run's folder (its home too), on a display of its own.
host() {  # folder args...
  local run=$1
  shift
  (cd "$run" && env -u XDG_CONFIG_HOME -u COT_PASSWORD -u QT_QPA_PLATFORM HOME="$run" \
     timeout 300 xvfb-run -a -s "$screen" "$bin/cot-host" --db "sqlite:$database" --server "127.0.0.1:$port" "$@")
}

echo "== Roteiros com fotografias"
for scenario in "$root"/scenarios/*.scn; do
  pictures=$(sed -n 's/^screenshot \(docs\/screenshots\/[^ ]*\.png\)$/\1/p' "$scenario")
  [ -n "$pictures" ] || continue
  name=$(basename "$scenario" .scn)
  run="$work/$name"
  echo "-- $name: $(echo $pictures | xargs -n1 basename | tr '\n' ' ')"
  for p in $pictures; do reason[$(basename "$p")]="o roteiro $name falhou"; done
  if grep -qE 'click (sbtAprovacao|mnuEnviarCliente)' "$scenario" && [ $smtp_ready = 0 ]; then
    for p in $pictures; do reason[$(basename "$p")]="$name envia e-mail e precisa do receptor SMTP (python3-aiosmtpd)"; done
    echo "   pulado: falta python3-aiosmtpd"
    continue
  fi
  start_server "$run" || continue
  # Files the scenario picks in a file chooser are written in its folder.
  while read -r picked; do
    [ -n "$picked" ] && printf 'Arquivo do roteiro %s\n' "$name" >"$run/$picked"
  done < <(sed -n 's/^answer arquivo \([^ ]*\)$/\1/p' "$scenario")
  if grep -qE 'click (sbtAprovacao|mnuEnviarCliente)' "$scenario"; then
    start_smtp "$run/smtp" || { echo "   o receptor SMTP não subiu"; stop_server; continue; }
    sqlite3 "$database" "UPDATE ENDEFILI SET DSSMTPEMAILF = '127.0.0.1:$smtp_port' \
                         WHERE CDFILIAL = '0001' AND IDTPENDEFILI = 'P'"
  fi
  host "$run" --attachments-dir "$run/anexos" --scenario "$scenario" >"$run/output.txt" 2>&1
  code=$?
  stop_server
  stop_smtp
  if [ $code -ne 0 ]; then
    echo "   falhou (saída $code):"
    grep -A4 'FALHOU' "$run/output.txt" | head -n 10 | sed 's/^/     /'
    continue
  fi
  for p in $pictures; do take "$run/$p" "$(basename "$p")"; done
done

echo "== proposal_list.png (a tela de propostas aberta)"
run="$work/proposal_list"
reason[proposal_list.png]="o servidor não atendeu"
if start_server "$run"; then
  if host "$run" --operator VENDEDOR --password vendedor --branch 0001 --open Pkg_cot05000 \
       --screenshot "$run/proposal_list.png" >"$run/output.txt" 2>&1; then
    take "$run/proposal_list.png" proposal_list.png
  else
    reason[proposal_list.png]="cot-host --screenshot falhou: $(grep -v XDG_RUNTIME "$run/output.txt" | tail -n 1)"
  fi
  stop_server
fi

echo "== header_form.png (teste do cabeçalho)"
header_test="$bin/cot_e2e_tests"
run="$work/header_form"
mkdir -p "$run"
if [ ! -x "$header_test" ]; then
  reason[header_form.png]="$header_test não foi compilado"
elif (cd "$run" && env -u QT_QPA_PLATFORM HOME="$run" COT_HEADER_SCREENSHOT="$run/header_form.png" \
        timeout 300 xvfb-run -a -s "$screen" "$header_test" --gtest_filter='*PictureOfTheHeaderForm' \
        >"$run/output.txt" 2>&1); then
  take "$run/header_form.png" header_form.png
else
  reason[header_form.png]="o teste do cabeçalho falhou: $(grep -v XDG_RUNTIME "$run/output.txt" | tail -n 1 | cut -c1-160)"
fi

echo "== client_page_desktop.png, client_page_phone.png (a página do cliente no Chromium)"
browser_test="$bin/cot_e2e_tests"
run="$work/client_page"
mkdir -p "$run/shots"
if [ ! -x "$browser_test" ]; then
  for p in client_page_desktop.png client_page_phone.png; do reason[$p]="$browser_test não foi compilado"; done
elif (cd "$run" && HOME="$run" QT_QPA_PLATFORM=offscreen COT_SCREENSHOTS_DIR="$run/shots" \
        timeout 600 "$browser_test" --gtest_filter='ClientPageBrowser*' >"$run/output.txt" 2>&1); then
  take "$run/shots/client_page_desktop.png" client_page_desktop.png
  take "$run/shots/client_page_phone.png" client_page_phone.png
else
  # The first check that failed: the browser script's own line, else gtest's message.
  why=$(grep -m1 -E 'FALHOU|faltam pacotes' "$run/output.txt")
  [ -n "$why" ] || why=$(grep -A6 ': Failure' "$run/output.txt" | grep -vE 'Failure|Value of|Actual|Expected|Which is' | head -n 1)
  for p in client_page_desktop.png client_page_phone.png; do
    reason[$p]="o teste da página do cliente falhou: $(echo "$why" | cut -c1-160)"
  done
fi

echo "== report_first_page.png (scripts/report_first_page.sh)"
marker="$work/report.marker"
touch "$marker"
if sh "$root/scripts/report_first_page.sh" "$build" >"$work/report.txt" 2>&1 && \
   [ "$shots/report_first_page.png" -nt "$marker" ] && [ -n "$(png_size "$shots/report_first_page.png")" ]; then
  written[report_first_page.png]="$(png_size "$shots/report_first_page.png")"
else
  reason[report_first_page.png]="scripts/report_first_page.sh falhou: $(tail -n 1 "$work/report.txt")"
fi

echo
echo "Gravadas em docs/screenshots:"
for f in $(printf '%s\n' "${!written[@]}" | sort); do echo "  $f  ${written[$f]}"; done
left=0
for f in "$shots"/*.png; do
  n=$(basename "$f")
  [ -n "${written[$n]+x}" ] && continue
  [ $left = 0 ] && echo "Não regeneradas:"
  left=$((left + 1))
  echo "  $n: ${reason[$n]:-nenhum roteiro, teste ou script a produz}"
done
for n in "${!reason[@]}"; do
  [ -e "$shots/$n" ] || { [ $left = 0 ] && echo "Não regeneradas:"; left=$((left + 1)); echo "  $n: ${reason[$n]}"; }
done
[ $left = 0 ] && echo "Todas as imagens foram regeneradas."
[ $left = 0 ]
