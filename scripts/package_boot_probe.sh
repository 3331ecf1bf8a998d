#!/bin/bash
# Runs in the Debian root of scripts/package_chroot.sh booted with systemd (systemd-nspawn
# -b), from a one-shot unit added there: the packaged units run for real, with all their
# sandboxing. The operator VENDEDOR has the password Proposta2027 (package_walk.sh install).
# Writes its report to /var/tmp/cot-probe.out and powers the container off.
exec >/var/tmp/cot-probe.out 2>&1
failures=0
check() {  # description, command...
  local what=$1; shift
  if "$@" >/tmp/last.log 2>&1; then echo "ok     $what"; else echo "FALHOU $what"; sed 's/^/       /' /tmp/last.log | tail -n 15; failures=$((failures + 1)); fi
}
conf=/etc/cot05000/server.conf
log=/var/log/cot05000/server.log

settled() {  # unit: waits while it is starting, up to 60 s; prints its state
  local state
  for _ in $(seq 1 600); do
    state=$(systemctl is-active "$1")
    case $state in activating | deactivating | reloading) sleep 0.1 ;; *) break ;; esac
  done
  echo "$state"
}
port() {  # the last address the server announced (journal, then its log file once it has one)
  { journalctl -u cot05000-server -o cat; cat $log 2>/dev/null; } | sed -n 's#.*http://127.0.0.1:\([0-9]*\)/rpc.*#\1#p' | tail -n 1
}
sign_in() {
  curl -s -H 'Content-Type: application/json' \
       -d '{"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":["VENDEDOR","Proposta2027"]}' \
       "http://127.0.0.1:$(port)/rpc" | grep -q '"token"'
}

check "serviço e temporizador habilitados pelo pacote" systemctl is-enabled cot05000-server.service cot05000-backup.timer cot05000-reminders.timer
check "servidor pronto (Type=notify) depois da partida" test "$(settled cot05000-server)" = active
check "entrada pelo serviço endurecido" sign_in
check "cópia pelo cot05000-backup.service" bash -c "systemctl start cot05000-backup.service &&
  [ \"\$(systemctl show -p Result --value cot05000-backup.service)\" = success ] && ls /var/backups/cot05000/cot05000-*.db"
check "temporizador agendado" bash -c "systemctl list-timers --all | grep -q cot05000-backup.timer"

# A log file, rotated by logrotate: the server reopens it on SIGHUP and goes on.
sed -i "s|^# log = .*|log = $log|" $conf
systemctl restart cot05000-server
pid=$(systemctl show -p MainPID --value cot05000-server)
check "registro no arquivo do server.conf" bash -c "log=$log; $(declare -f port sign_in); sign_in && grep -q 'met=AbreSessao' $log"
check "logrotate roda o arquivo; o servidor reabre o novo e segue" bash -c "log=$log; $(declare -f port sign_in)
  logrotate -f /etc/logrotate.d/cot05000-server && [ -e $log.1 ] && sign_in && grep -q 'met=AbreSessao' $log &&
  [ \"\$(systemctl show -p MainPID --value cot05000-server)\" = $pid ]"

# A database newer than the program: exit 3, and the service stays stopped.
systemctl stop cot05000-server
runuser -u cot05000 -- sqlite3 /var/lib/cot05000/cot.db \
  "INSERT INTO SCHEMA_VERSION (VERSION, DSVERSION, DTAPLICACAO) VALUES (9999, 'futura', '2099-01-01')"
systemctl start cot05000-server 2>/dev/null  # fails, as it should
settled cot05000-server >/dev/null
sleep 4  # twice RestartSec: a restart would have happened by now
check "banco mais novo: saída 3, sem reinício" bash -c "
  [ \"\$(systemctl show -p ExecMainStatus --value cot05000-server)\" = 3 ] &&
  [ \"\$(systemctl show -p NRestarts --value cot05000-server)\" = 0 ] && [ \"\$(systemctl is-active cot05000-server)\" = failed ]"
runuser -u cot05000 -- sqlite3 /var/lib/cot05000/cot.db "DELETE FROM SCHEMA_VERSION WHERE VERSION = 9999"
systemctl reset-failed cot05000-server

systemd-analyze security cot05000-server --no-pager | tail -n 1
echo "== $failures verificação(ões) falharam (systemd)"
echo "== fim"
exec >/dev/null 2>&1
systemctl poweroff
