#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the product need, only when missing.
set -euo pipefail
pkgs=(g++ cmake ninja-build ccache pkg-config
      qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n libqt6sql6-sqlite libqt6sql6-psql libgl-dev
      libcpp-httplib-dev libboost1.81-dev libssl-dev libpoppler-cpp-dev zlib1g-dev rapidjson-dev libcurl4-openssl-dev libzip-dev libsodium-dev
      googletest libgtest-dev libgmock-dev libbenchmark-dev
      sqlite3 libsqlite3-dev libpq-dev postgresql xvfb xauth poppler-utils unzip curl fonts-dejavu-core
      python3-aiosmtpd libxlsxwriter-dev python3-openpyxl openssl dpkg-dev chromium chromium-driver python3-selenium)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Faltam pacotes: ${missing[*]} (rode como root para instalá-los)" >&2
    exit 1
  fi
  echo "Instalando: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
