#!/usr/bin/env bash
# Installs the Debian packages the project builds with, when any is missing.
set -euo pipefail
packages=(build-essential cmake pkg-config libsqlite3-dev libgtest-dev libgmock-dev
          libbenchmark-dev libfmt-dev libcli11-dev libsodium-dev mdbtools-dev mdbtools
          sqlite3 binutils libgdal-dev libproj-dev gdal-bin proj-bin python3-gdal)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
