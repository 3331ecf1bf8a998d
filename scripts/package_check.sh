#!/usr/bin/env bash
# Builds the Debian packages of a build folder (cpack) and checks them without installing
# anything on this machine: their control data, their files, the service units, and both
# programs run from a throw-away root the packages are unpacked into. lintian's report is
# printed when lintian is there.
#   scripts/package_check.sh [BUILD_FOLDER]   (default: build)
# With COT_PACKAGE_CHROOT=1, as root and with debootstrap, the packages are also installed
# with apt in a Debian 12 root and a first installation is walked there
# (scripts/package_chroot.sh); CI does not need that. With COT_PACKAGE_KEEP=FOLDER the
# .deb files are also copied into FOLDER.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d /tmp/cot-pacotes.XXXXXX)
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
check() {  # description, command...
  local what=$1; shift
  if "$@" >"$work/last.log" 2>&1; then echo "ok     $what"; else echo "FALHOU $what"; sed 's/^/       /' "$work/last.log" | tail -n 15; failures=$((failures + 1)); fi
}
declare -A deb
# Programs and our libraries: /usr/lib/<multiarch>/cot05000.
priv=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)/cot05000
contains() { dpkg-deb -c "$1" | awk '{print $6}' | grep -qx "$2"; }
control_file() { dpkg-deb --ctrl-tarfile "$1" | tar -xO "./$2"; }
depends() { dpkg-deb -f "$1" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//'; }

build_packages() {
  echo "== Pacotes de $build"
  (cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
  for component in common server desktop; do
    deb[$component]=$(ls "$work"/out/cot05000-"$component"_*.deb 2>/dev/null | head -n 1)
    check "pacote cot05000-$component gerado" test -f "${deb[$component]}"
  done
  [ $failures -eq 0 ] || exit 1
  if [ -n "${COT_PACKAGE_KEEP:-}" ]; then mkdir -p "$COT_PACKAGE_KEEP" && cp "${deb[@]}" "$COT_PACKAGE_KEEP/"; fi
}

check_contents() {
  local s=${deb[server]} d=${deb[desktop]} c
  check "servidor: programa em /$priv e /usr/bin" bash -c "$(declare -f contains); contains '$s' ./$priv/cot05000-server && contains '$s' ./usr/bin/cot05000-server"
  for unit in cot05000-server.service cot05000-backup.service cot05000-backup.timer cot05000-reminders.service cot05000-reminders.timer; do
    check "servidor: unidade $unit" contains "$s" ./lib/systemd/system/$unit
  done
  check "servidor: logrotate, /etc/default e cadastros de exemplo" bash -c "$(declare -f contains)
    contains '$s' ./etc/logrotate.d/cot05000-server && contains '$s' ./etc/default/cot05000-backup &&
    dpkg-deb -c '$s' | grep -q './usr/share/cot05000/cadastros-exemplo/.*\.csv'"
  check "servidor: conffiles" bash -c "$(declare -f control_file); [ \"\$(control_file '$s' conffiles | sort)\" = \"\$(printf '%s\n' /etc/cot05000/server.conf /etc/default/cot05000-backup /etc/logrotate.d/cot05000-server)\" ]"
  check "servidor: scripts do mantenedor pelo deb-systemd-helper/-invoke" bash -c "$(declare -f control_file)
    control_file '$s' postinst | grep -q 'adduser --system' && control_file '$s' postinst | grep -q 'deb-systemd-helper --quiet was-enabled' &&
    control_file '$s' postinst | grep -q 'deb-systemd-invoke' && ! control_file '$s' postrm | grep -q deluser"
  check "servidor depende das bibliotecas comuns, de adduser e dos drivers SQL do Qt" bash -c "$(declare -f depends)
    for p in cot05000-common adduser libqt6sql6-sqlite libqt6sql6-psql libqt6core6 libsodium23; do depends '$s' | grep -qx \$p || { echo \"falta \$p\"; exit 1; }; done"
  check "desktop: drivers SQL do Qt e nada de libqt6test6" bash -c "$(declare -f depends)
    depends '$d' | grep -qx libqt6sql6-sqlite && depends '$d' | grep -qx libqt6sql6-psql && ! depends '$d' | grep -qx libqt6test6"
  check "desktop: cot-host, módulo e entrada de menu, sem o plug-in de roteiros" bash -c "dpkg-deb -c '$d' | grep -q './$priv/cot-host' && dpkg-deb -c '$d' | grep -q 'libPkg_cot05000.so' && dpkg-deb -c '$d' | grep -q './usr/share/applications/cot-host.desktop' && dpkg-deb -c '$d' | grep -q 'cot05000.svg' && ! dpkg-deb -c '$d' | grep -q libcot_scenarios"
  check "desktop: /etc/cot05000/cot-host.ini como conffile" bash -c "$(declare -f control_file); control_file '$d' conffiles | grep -qx /etc/cot05000/cot-host.ini"
  for c in common server desktop; do
    check "cot05000-$c: copyright (DEP-5) e changelog.Debian.gz (gzip -9n)" bash -c "
      dir=./usr/share/doc/cot05000-$c; dpkg-deb --fsys-tarfile '${deb[$c]}' > '$work/$c.tar'
      tar -xOf '$work/$c.tar' \$dir/copyright | head -n 1 | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
      tar -xOf '$work/$c.tar' \$dir/changelog.Debian.gz > '$work/$c.changelog.gz' && gzip -t '$work/$c.changelog.gz' &&
      [ \"\$(od -An -tu4 -j4 -N4 '$work/$c.changelog.gz' | tr -d ' ')\" = 0 ] && ! gzip -lN '$work/$c.changelog.gz' | grep -q changelog.Debian\$"
  done
  check "nenhum arquivo em dois pacotes" bash -c "for d in ${deb[common]} $s $d; do dpkg-deb -c \$d | awk '{print \$6}' | grep -v '/\$'; done | sort | uniq -d | { ! grep -q .; }"
  check "versões iguais nos três pacotes" bash -c "[ \"\$(dpkg-deb -f ${deb[common]} Version)\" = \"\$(dpkg-deb -f $s Version)\" ] && [ \"\$(dpkg-deb -f $s Version)\" = \"\$(dpkg-deb -f $d Version)\" ]"
}

# A throw-away root: the three packages unpacked together, as dpkg would lay them out.
check_unpacked() {
  fake="$work/raiz"
  for d in "${deb[@]}"; do dpkg-deb -x "$d" "$fake"; done
  check "servidor instalado roda (--version) só com o que os pacotes trazem" bash -c "'$fake/usr/bin/cot05000-server' --version | grep -q '^cot05000-server '"
  check "nenhuma biblioteca nossa vem da pasta de build" bash -c "! ldd '$fake/$priv/cot05000-server' '$fake/$priv/cot-host' | grep -q '$build'"
  check "nenhum binário instalado precisa da biblioteca de testes do Qt" bash -c "! find '$fake' -type f \\( -name '*.so*' -o -perm -u+x \\) -exec sh -c 'readelf -d \"\$1\" 2>/dev/null | grep -q \"NEEDED.*libQt6Test\" && echo \"\$1\"' _ {} \\; | grep ."
  check "cot-host instalado roda (--version)" env QT_QPA_PLATFORM=offscreen "$fake/usr/bin/cot-host" --version
  check "cot-host instalado recusa roteiros, dizendo por quê (sem o plug-in)" bash -c "
    echo 'open Pkg_cot05000' > '$work/roteiro.scn'
    out=\$(QT_QPA_PLATFORM=offscreen '$fake/usr/bin/cot-host' --scenario '$work/roteiro.scn' 2>&1); code=\$?
    echo \"\$out\"; [ \$code -eq 2 ] && echo \"\$out\" | grep -q 'indisponível'"
  if command -v desktop-file-validate >/dev/null; then
    check "entrada de menu válida" desktop-file-validate "$fake/usr/share/applications/cot-host.desktop"
  fi
}

check_units() {
  command -v systemd-analyze >/dev/null || return 0
  local units="$fake/lib/systemd/system" u
  mkdir -p "$work/units"
  for u in cot05000-server.service cot05000-backup.service cot05000-backup.timer cot05000-reminders.service cot05000-reminders.timer; do
    sed -e "s#/usr/bin/cot05000-server#$fake/usr/bin/cot05000-server#" "$units/$u" >"$work/units/$u"
  done
  check "unidades do systemd válidas (systemd-analyze verify)" bash -c "
    out=\$(cd '$work/units' && systemd-analyze verify cot05000-server.service cot05000-backup.service cot05000-backup.timer cot05000-reminders.service cot05000-reminders.timer 2>&1 |
           grep -v -e 'User=' -e 'cot05000.*does not exist' -e 'Failed to look up' || true)
    [ -z \"\$out\" ] || { echo \"\$out\"; false; }"
  check "servidor: Type=notify, sem reinício para banco mais novo (saída 3)" bash -c "
    u='$units/cot05000-server.service'; grep -qx 'Type=notify' \$u && grep -qx 'NotifyAccess=main' \$u && grep -Eq '^RestartPreventExitStatus=.*\\b3\\b' \$u"
  check "temporizador diário, persistente; cópia como cot05000" bash -c "
    grep -qx 'Persistent=true' '$units/cot05000-backup.timer' && grep -qx 'OnCalendar=daily' '$units/cot05000-backup.timer' &&
    grep -qx 'User=cot05000' '$units/cot05000-backup.service' && grep -q -- '--backup /var/backups/cot05000/ --keep' '$units/cot05000-backup.service'"
  for u in cot05000-server.service cot05000-backup.service cot05000-reminders.service; do
    check "$u endurecida: exposição abaixo de 3 (systemd-analyze security)" bash -c "
      level=\$(systemd-analyze security --offline=true '$units/$u' 2>&1 | sed -n 's/.*Overall exposure level for .*: \\([0-9.]*\\).*/\\1/p')
      echo \"exposição: \$level\"; [ -n \"\$level\" ] && awk -v l=\$level 'BEGIN { exit !(l < 3) }'"
  done
}

# The packaged configuration, pointed at folders of this test, starts a server that answers.
check_server() {
  local conf="$work/server.conf" port=""
  sed -e "s#^db = .*#db = sqlite:$work/dados/cot.db#" -e "s#^port = .*#port = 0#" -e "s#^no-seed = .*#no-seed = não#" \
      -e "s#^backup-before-migrate = .*#backup-before-migrate = $work/copias#" "$fake/etc/cot05000/server.conf" >"$conf"
  check "server.conf do pacote copia o banco antes de migrar" grep -qx 'backup-before-migrate = /var/backups/cot05000' "$fake/etc/cot05000/server.conf"
  "$fake/usr/bin/cot05000-server" --config "$conf" >"$work/server.out" 2>"$work/server.err" &
  server_pid=$!
  # Up to 60 s: on a loaded machine the first start migrates and seeds a fresh database.
  for _ in $(seq 1 600); do
    port=$(sed -n 's#.*http://127.0.0.1:\([0-9]*\)/rpc.*#\1#p' "$work/server.out")
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  check "servidor sobe com o server.conf do pacote" bash -c "[ -n '$port' ] || { cat '$work/server.err'; false; }"
  [ -n "$port" ] || return 0
  check "saúde: banco sqlite no esquema do programa" bash -c "curl -s http://127.0.0.1:$port/health | grep -q '\"estado\":\"ok\"'"
  check "entrada pelo servidor instalado e uma chamada com a sessão" bash -c "
    token=\$(curl -s -H 'Content-Type: application/json' -d '{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"AbreSessao\",\"params\":[\"VENDEDOR\",\"vendedor\"]}' http://127.0.0.1:$port/rpc | sed -n 's/.*\"token\":\"\\([^\"]*\\)\".*/\\1/p')
    [ -n \"\$token\" ] && curl -s -H 'Content-Type: application/json' -H \"Authorization: Bearer \$token\" -d '{\"jsonrpc\":\"2.0\",\"id\":2,\"method\":\"GetParamPerc\",\"params\":[]}' http://127.0.0.1:$port/rpc | grep -q '\"result\"'"
  # The line is written once the reply has gone: give it a moment to land.
  check "uma linha de registro por pedido, sem a senha" bash -c "
    for _ in \$(seq 1 50); do grep -q 'met=AbreSessao' '$work/server.err' && break; sleep 0.1; done
    grep -q 'met=AbreSessao' '$work/server.err' && ! grep -q 'vendedor' '$work/server.err'"
}

run_lintian() {
  command -v lintian >/dev/null || { echo "== lintian não instalado (apt-get install lintian): relatório omitido"; return 0; }
  echo "== lintian (informativo)"
  for d in "${deb[@]}"; do lintian --tag-display-limit 0 --show-overrides "$d" 2>&1 | grep -v "running with root privileges" | sed 's/^/   /'; done
}

run_chroot() {
  [ "${COT_PACKAGE_CHROOT:-0}" = 1 ] || return 0
  if [ "$(id -u)" -ne 0 ] || ! command -v debootstrap >/dev/null; then
    echo "FALHOU COT_PACKAGE_CHROOT=1 pede root e debootstrap"; failures=$((failures + 1)); return 0
  fi
  "$root/scripts/package_chroot.sh" "$work/out" || failures=$((failures + 1))
}

build_packages
check_contents
check_unpacked
check_units
check_server
run_lintian
run_chroot
echo "== $failures verificação(ões) falharam"
[ $failures -eq 0 ]
