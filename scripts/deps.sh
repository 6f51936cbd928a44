#!/usr/bin/env bash
# Installs the Debian packages a command needs when they are missing.
# Usage: deps.sh build|test|bench|fuzz ...
set -euo pipefail

need=()
for what in "$@"; do
  case $what in
    build) need+=(cmake ninja-build g++ pkg-config libpng-dev fonts-dejavu-core fonts-liberation libfreetype-dev libfontconfig-dev) ;;
    test)  need+=(cmake ninja-build g++ pkg-config googletest libgtest-dev) ;;
    fuzz)  need+=(clang libclang-rt-14-dev) ;;
    bench) need+=(libbenchmark-dev libmuparser-dev libcairo2-dev) ;;
    *) echo "deps.sh: unknown set '$what'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${need[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
