#!/usr/bin/env bash
# Installs the three packages of a folder with apt in a fresh Debian 12 (bookworm) root, so
# Debian itself resolves their Depends, and walks a first installation there
# (scripts/package_walk.sh): import the sample registers, give an operator a password,
# start the server as the service would, sign in and read a proposal over HTTP, the daily
# copy. Where systemd-nspawn is installed, the root is then booted with systemd and the
# packaged units run for real (scripts/package_boot_probe.sh). Last, a reinstall with the
# configuration deleted and a purge that keeps the user and the copies.
#   scripts/package_chroot.sh FOLDER_WITH_THE_DEBS
# Root and debootstrap are needed. The minimal root is made once and kept as a tarball in
# $COT_CHROOT_CACHE (default /var/cache/cot-chroot), with the .deb files apt fetched; the
# mirror is the one this machine's apt uses (or $COT_DEBIAN_MIRROR).
set -euo pipefail
debs=$(cd "${1:?pasta com os pacotes .deb}" && pwd)
cache=${COT_CHROOT_CACHE:-/var/cache/cot-chroot}
base="$cache/bookworm-minbase.tar"
scripts=$(cd "$(dirname "$0")" && pwd)
root=""
mounted=()
failures=0

unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  mounted=()
}
mount_all() {
  mount -t proc proc "$root/proc" && mounted+=("$root/proc")
  mount --bind /dev "$root/dev" && mounted+=("$root/dev")
  mount --bind "$cache/archives" "$root/var/cache/apt/archives" && mounted+=("$root/var/cache/apt/archives")
}
cleanup() {
  unmount_all
  [ -n "$root" ] || return 0
  # Never delete through a mount still there (the .deb cache is bound from this disk).
  if grep -q " $root/" /proc/mounts; then echo "montagens ainda ativas em $root: pasta mantida" >&2; return 0; fi
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT

say() { echo "== $*"; }

# The Debian archive this machine's apt reads (deb822 or one-line sources).
debian_mirror() {
  [ -n "${COT_DEBIAN_MIRROR:-}" ] && { echo "$COT_DEBIAN_MIRROR"; return; }
  {
    grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' || true
    grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list | awk '{print $2}' || true
  } | grep '/debian/\?$' | head -n 1 || true
}

make_base() {
  [ -f "$base" ] && return
  local mirror tmp
  mirror=$(debian_mirror)
  [ -n "$mirror" ] || { echo "nenhum espelho do Debian nas fontes do apt (defina COT_DEBIAN_MIRROR)" >&2; exit 1; }
  say "raiz mínima do Debian 12 (uma vez, guardada em $base)"
  mkdir -p "$cache"
  tmp=$(mktemp -d "$cache/raiz.XXXXXX")
  chmod 0755 "$tmp"
  debootstrap --variant=minbase --include=curl,ca-certificates bookworm "$tmp" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -n 20 "$cache/debootstrap.log"; rm -rf --one-file-system "$tmp"; exit 1; }
  tar -C "$tmp" -cf "$base.part" . && mv "$base.part" "$base"
  rm -rf --one-file-system "$tmp"
}

enter() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }

prepare_root() {
  root=$(mktemp -d /tmp/cot-chroot.XXXXXX)
  tar -C "$root" -xf "$base"
  chmod 0755 "$root"  # its / : mktemp made it 0700, which no user but root could cross
  mkdir -p "$cache/archives/partial"
  mount_all
  cp -L /etc/resolv.conf "$root/etc/resolv.conf"
  # The same archive settings as this machine (snapshots, proxies), without its clean-up
  # hook that would empty the cache of .deb files.
  cp /etc/apt/apt.conf.d/* "$root/etc/apt/apt.conf.d/" 2>/dev/null || true
  rm -f "$root/etc/apt/apt.conf.d/docker-clean"
  # No service starts inside the root (deb-systemd-invoke asks policy-rc.d).
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod 0755 "$root/usr/sbin/policy-rc.d"
  mkdir -p "$root/tmp/debs"
  cp "$debs"/cot05000-*.deb "$root/tmp/debs/"
  cp "$scripts/package_walk.sh" "$scripts/package_boot_probe.sh" "$root/usr/local/bin/"
}

install_packages() {
  say "apt-get install dos três pacotes (dependências vindas do Debian)"
  enter apt-get update -qq
  # To boot it: systemd, and what the probe uses (logrotate, sqlite3).
  local boot=""
  command -v systemd-nspawn >/dev/null && boot="systemd systemd-sysv logrotate sqlite3"
  enter sh -c "apt-get install -y -q --no-install-recommends $boot /tmp/debs/cot05000-common_*.deb /tmp/debs/cot05000-server_*.deb /tmp/debs/cot05000-desktop_*.deb"
}

walk() {  # install | remove
  say "instalação: $1"
  enter /usr/local/bin/package_walk.sh "$1" || failures=$((failures + 1))
}

# Booted with systemd: the units as the package installed and enabled them, started for real.
boot_probe() {
  command -v systemd-nspawn >/dev/null || { say "systemd-nspawn ausente: unidades não iniciadas de verdade"; return 0; }
  say "partida com systemd (systemd-nspawn -b)"
  local machine="cot-pacote-$$"
  unmount_all
  rm -f "$root/usr/sbin/policy-rc.d"
  sed -i 's/^port = .*/port = 0/' "$root/etc/cot05000/server.conf"  # any free port: the probe reads it
  printf '[Unit]\nAfter=cot05000-server.service\n[Service]\nType=oneshot\nExecStart=/usr/local/bin/package_boot_probe.sh\n' \
    >"$root/etc/systemd/system/cot-probe.service"
  ln -sf /etc/systemd/system/cot-probe.service "$root/etc/systemd/system/multi-user.target.wants/cot-probe.service"
  timeout 300 systemd-nspawn -D "$root" -b --register=no --keep-unit --console=pipe --machine="$machine" \
    >"$cache/nspawn.log" 2>&1 || true
  rmdir "/run/systemd/nspawn/propagate/$machine" 2>/dev/null || true
  rm -f "$root/etc/systemd/system/multi-user.target.wants/cot-probe.service"
  if grep -q '^== fim' "$root/var/tmp/cot-probe.out" 2>/dev/null; then
    grep -v '^== fim' "$root/var/tmp/cot-probe.out"
    grep -q '^FALHOU' "$root/var/tmp/cot-probe.out" && failures=$((failures + 1))
  else
    echo "FALHOU a partida com systemd não chegou ao fim (log em $cache/nspawn.log)"; tail -n 20 "$cache/nspawn.log"
    failures=$((failures + 1))
  fi
  mount_all
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod 0755 "$root/usr/sbin/policy-rc.d"
}

command -v debootstrap >/dev/null || { echo "debootstrap não instalado (apt-get install debootstrap)" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "precisa de root (chroot, mount)" >&2; exit 1; }
make_base
prepare_root
install_packages
walk install
boot_probe
walk remove
say "$failures etapa(s) com falhas"
[ $failures -eq 0 ]
