#!/usr/bin/env bash
# Builds the Debian packages of a build folder (cpack) and checks them without installing
# anything on this machine: their control data, their files, the service unit, and both
# programs run from a throw-away root the packages are unpacked into.
#   scripts/package_check.sh [BUILD_FOLDER]   (default: build)
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

echo "== Pacotes de $build"
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
declare -A deb
for component in common server desktop; do
  deb[$component]=$(ls "$work"/out/cot05000-"$component"_*.deb 2>/dev/null | head -n 1)
  check "pacote cot05000-$component gerado" test -f "${deb[$component]}"
done
[ $failures -eq 0 ] || exit 1

contains() { dpkg-deb -c "$1" | awk '{print $6}' | grep -qx "$2"; }
field() { dpkg-deb -f "$1" "$2"; }
check "servidor: programa em /usr/lib/cot05000" contains "${deb[server]}" ./usr/lib/cot05000/cot05000-server
check "servidor: /usr/bin/cot05000-server" contains "${deb[server]}" ./usr/bin/cot05000-server
check "servidor: unidade do systemd" contains "${deb[server]}" ./lib/systemd/system/cot05000-server.service
check "servidor: /etc/cot05000/server.conf como conffile" bash -c "dpkg-deb --ctrl-tarfile '${deb[server]}' | tar -xO ./conffiles | grep -qx /etc/cot05000/server.conf"
check "servidor: postinst cria o usuário cot05000" bash -c "dpkg-deb --ctrl-tarfile '${deb[server]}' | tar -xO ./postinst | grep -q 'adduser --system'"
check "servidor depende das bibliotecas comuns e de adduser" bash -c "dpkg-deb -f '${deb[server]}' Depends | grep -q 'cot05000-common' && dpkg-deb -f '${deb[server]}' Depends | grep -q adduser"
check "servidor: dependências do sistema calculadas (Qt, libsodium)" bash -c "dpkg-deb -f '${deb[server]}' Depends | grep -q libqt6core6 && dpkg-deb -f '${deb[server]}' Depends | grep -q libsodium"
check "desktop: cot-host, módulo e entrada de menu" bash -c "dpkg-deb -c '${deb[desktop]}' | grep -q './usr/lib/cot05000/cot-host' && dpkg-deb -c '${deb[desktop]}' | grep -q 'libPkg_cot05000.so' && dpkg-deb -c '${deb[desktop]}' | grep -q './usr/share/applications/cot-host.desktop' && dpkg-deb -c '${deb[desktop]}' | grep -q 'cot05000.svg'"
check "desktop: /etc/cot05000/cot-host.ini como conffile" bash -c "dpkg-deb --ctrl-tarfile '${deb[desktop]}' | tar -xO ./conffiles | grep -qx /etc/cot05000/cot-host.ini"
check "nenhum arquivo em dois pacotes" bash -c "for d in ${deb[common]} ${deb[server]} ${deb[desktop]}; do dpkg-deb -c \$d | awk '{print \$6}' | grep -v '/\$'; done | sort | uniq -d | { ! grep -q .; }"
check "versões iguais nos três pacotes" bash -c "[ \"\$(dpkg-deb -f ${deb[common]} Version)\" = \"\$(dpkg-deb -f ${deb[server]} Version)\" ] && [ \"\$(dpkg-deb -f ${deb[server]} Version)\" = \"\$(dpkg-deb -f ${deb[desktop]} Version)\" ]"

# A throw-away root: the three packages unpacked together, as dpkg would lay them out.
fake="$work/raiz"
for d in "${deb[@]}"; do dpkg-deb -x "$d" "$fake"; done
check "servidor instalado roda (--version) só com o que os pacotes trazem" bash -c "'$fake/usr/bin/cot05000-server' --version | grep -q '^cot05000-server '"
check "nenhuma biblioteca nossa vem da pasta de build" bash -c "! ldd '$fake/usr/lib/cot05000/cot05000-server' '$fake/usr/lib/cot05000/cot-host' | grep -q '$build'"
check "cot-host instalado roda (--version)" env QT_QPA_PLATFORM=offscreen "$fake/usr/bin/cot-host" --version
if command -v desktop-file-validate >/dev/null; then
  check "entrada de menu válida" desktop-file-validate "$fake/usr/share/applications/cot-host.desktop"
fi
if command -v systemd-analyze >/dev/null; then
  check "unidade do systemd válida (systemd-analyze verify)" bash -c "
    sed -e 's#/usr/bin/cot05000-server#$fake/usr/bin/cot05000-server#' '$fake/lib/systemd/system/cot05000-server.service' > '$work/cot05000-server.service'
    out=\$(systemd-analyze verify '$work/cot05000-server.service' 2>&1 | grep -v -e 'User=' -e 'cot05000.*does not exist' -e 'Failed to look up' || true)
    [ -z \"\$out\" ] || { echo \"\$out\"; false; }"
  check "unidade endurecida (NoNewPrivileges, ProtectSystem, PrivateTmp, usuário próprio)" bash -c "
    u='$fake/lib/systemd/system/cot05000-server.service'
    grep -qx 'NoNewPrivileges=yes' \$u && grep -qx 'ProtectSystem=strict' \$u && grep -qx 'PrivateTmp=yes' \$u && grep -qx 'User=cot05000' \$u"
fi

# The packaged configuration, pointed at a folder of this test, starts a server that answers.
conf="$work/server.conf"
sed -e "s#^db = .*#db = sqlite:$work/dados/cot.db#" -e "s#^port = .*#port = 0#" -e "s#^no-seed = .*#no-seed = não#" \
    "$fake/etc/cot05000/server.conf" > "$conf"
"$fake/usr/bin/cot05000-server" --config "$conf" >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
port=""
for _ in $(seq 1 100); do
  port=$(sed -n 's#.*http://127.0.0.1:\([0-9]*\)/rpc.*#\1#p' "$work/server.out")
  [ -n "$port" ] && break
  sleep 0.1
done
check "servidor sobe com o server.conf do pacote" test -n "$port"
if [ -n "$port" ]; then
  check "saúde: banco sqlite no esquema do programa" bash -c "curl -s http://127.0.0.1:$port/health | grep -q '\"estado\":\"ok\"'"
  check "entrada pelo servidor instalado e uma chamada com a sessão" bash -c "
    token=\$(curl -s -H 'Content-Type: application/json' -d '{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"AbreSessao\",\"params\":[\"VENDEDOR\",\"vendedor\"]}' http://127.0.0.1:$port/rpc | sed -n 's/.*\"token\":\"\\([^\"]*\\)\".*/\\1/p')
    [ -n \"\$token\" ] && curl -s -H 'Content-Type: application/json' -H \"Authorization: Bearer \$token\" -d '{\"jsonrpc\":\"2.0\",\"id\":2,\"method\":\"GetParamPerc\",\"params\":[]}' http://127.0.0.1:$port/rpc | grep -q '\"result\"'"
  check "uma linha de registro por pedido, sem a senha" bash -c "grep -q 'met=AbreSessao' '$work/server.err' && ! grep -q 'vendedor' '$work/server.err'"
fi
if command -v lintian >/dev/null; then
  echo "== lintian (informativo)"
  for d in "${deb[@]}"; do lintian --no-tag-display-limit "$d" 2>&1 | sed 's/^/   /' | head -n 20; done
fi
echo "== $failures verificação(ões) falharam"
[ $failures -eq 0 ]
