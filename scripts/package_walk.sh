#!/bin/bash
# Runs inside the Debian root scripts/package_chroot.sh made, as root, after apt installed
# the packages there:
#   package_walk.sh install   a first installation as docs/deploy.md walks it: the sample
#                             registers imported, a password given, the server started as
#                             the unit starts it, a sign-in and a proposal read over HTTP,
#                             the daily copy by the timer's own command line
#   package_walk.sh remove    a reinstall with server.conf deleted, then a purge
set -uo pipefail
failures=0
check() {  # description, command...
  local what=$1; shift
  if "$@" >/tmp/last.log 2>&1; then echo "ok     $what"; else echo "FALHOU $what"; sed 's/^/       /' /tmp/last.log | tail -n 15; failures=$((failures + 1)); fi
}
as_service() { runuser -u cot05000 -- "$@"; }
conf=/etc/cot05000/server.conf
rpc() {  # body [token]
  curl -s -H 'Content-Type: application/json' ${2:+-H "Authorization: Bearer $2"} -d "$1" "http://127.0.0.1:$port/rpc"
}

first_install() {
  check "drivers SQL do Qt instalados pelas dependências" dpkg -s libqt6sql6-sqlite libqt6sql6-psql
  check "usuário de sistema cot05000" getent passwd cot05000
  check "pastas do serviço (dados, cópias, registro) do usuário cot05000, 0750" bash -c '
    for d in /var/lib/cot05000 /var/backups/cot05000 /var/log/cot05000; do [ "$(stat -c %U:%G:%a $d)" = cot05000:cot05000:750 ] || { stat -c "%n %U:%G:%a" $d; exit 1; }; done'
  check "server.conf legível só por root e pelo grupo cot05000" bash -c '[ "$(stat -c %U:%G:%a '$conf')" = root:cot05000:640 ]'
  check "server.conf do pacote sem dados de demonstração" grep -qx 'no-seed = sim' $conf
  check "cadastros de exemplo importados" as_service cot05000-server --config $conf --import /usr/share/cot05000/cadastros-exemplo
  check "senha de 8 caracteres ou mais aceita" bash -c "printf 'Proposta2027\n' | runuser -u cot05000 -- cot05000-server --config $conf --set-password VENDEDOR"
  check "senha curta recusada, dizendo o mínimo" bash -c "
    out=\$(printf 'curta\n' | runuser -u cot05000 -- cot05000-server --config $conf --set-password VENDEDOR 2>&1) && exit 1
    echo \"\$out\"; echo \"\$out\" | grep -q 'ao menos 8 caracteres'"

  # As the unit starts it: the service's user and group (setpriv execs: $! is the server).
  (umask 0027 && exec setpriv --reuid=cot05000 --regid=cot05000 --init-groups cot05000-server --config $conf --port 0) \
    >/tmp/server.out 2>/tmp/server.err &
  server=$!
  port=""
  for _ in $(seq 1 100); do
    port=$(sed -n 's#.*http://127.0.0.1:\([0-9]*\)/rpc.*#\1#p' /tmp/server.out)
    [ -n "$port" ] && break
    kill -0 $server 2>/dev/null || break
    sleep 0.1
  done
  check "servidor sobe como cot05000 com o server.conf do pacote" test -n "$port"
  if [ -n "$port" ]; then
    token=$(rpc '{"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":["VENDEDOR","Proposta2027"]}' | sed -n 's/.*"token":"\([^"]*\)".*/\1/p')
    check "entrada (AbreSessao) com a senha definida" test -n "$token"
    check "GetProposta com a sessão" bash -c "curl -s -H 'Content-Type: application/json' -H 'Authorization: Bearer $token' \
      -d '{\"jsonrpc\":\"2.0\",\"id\":2,\"method\":\"GetProposta\",\"params\":[\"0001\",\"T\"]}' http://127.0.0.1:$port/rpc | grep -q '\"result\"'"
    check "operadores de demonstração ausentes" bash -c "! curl -s -H 'Content-Type: application/json' \
      -d '{\"jsonrpc\":\"2.0\",\"id\":3,\"method\":\"AbreSessao\",\"params\":[\"GERENTE\",\"gerente\"]}' http://127.0.0.1:$port/rpc | grep -q token"
  fi
  kill -TERM $server 2>/dev/null; wait $server 2>/dev/null
  # The first command to open it (here --import) creates the file with its caller's umask; the
  # folder (0750) keeps it from other users either way.
  check "banco do usuário cot05000, na pasta fechada a outros" bash -c '
    for f in /var/lib/cot05000/cot.db*; do [ "$(stat -c %U "$f")" = cot05000 ] || { stat -c "%n %U" "$f"; exit 1; }; done
    [ "$(stat -c %a /var/lib/cot05000)" = 750 ]'

  # The daily copy: the timer's command line, as the unit gives it.
  . /etc/default/cot05000-backup
  backup=$(sed -n 's/^ExecStart=//p' /lib/systemd/system/cot05000-backup.service | sed "s/\${COT_BACKUP_KEEP}/$COT_BACKUP_KEEP/")
  check "cópia do temporizador (a linha ExecStart da unidade)" bash -c "runuser -u cot05000 -- $backup"
  check "cópia em /var/backups/cot05000, modo 0600" bash -c 'f=$(ls /var/backups/cot05000/cot05000-*.db | head -n 1); [ -n "$f" ] && [ "$(stat -c %U:%a "$f")" = cot05000:600 ]'
}

reinstall_and_purge() {
  check "reinstalação com server.conf apagado pelo administrador" bash -c 'rm -f /etc/cot05000/server.conf && dpkg -i /tmp/debs/cot05000-server_*.deb'
  check "purge do servidor" apt-get purge -y -q cot05000-server
  check "purge mantém o usuário cot05000" getent passwd cot05000
  check "purge mantém as cópias" bash -c 'ls /var/backups/cot05000/cot05000-*.db'
  check "purge apaga os dados e o registro" bash -c '[ ! -e /var/lib/cot05000 ] && [ ! -e /var/log/cot05000 ]'
}

case "${1:-}" in
  install) first_install ;;
  remove) reinstall_and_purge ;;
  *) echo "uso: $0 install|remove" >&2; exit 2 ;;
esac
echo "== $failures verificação(ões) falharam ($1)"
[ $failures -eq 0 ]
