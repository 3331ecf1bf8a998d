#!/usr/bin/env bash
# The build folder of a configure preset (build/ for default and debug, build-<name>/ else).
set -euo pipefail
case "${1:-default}" in
  default | debug) echo build ;;
  *) echo "build-$1" ;;
esac
