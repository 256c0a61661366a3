#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tarvo
# Loader need. Quiet and quick when everything is already there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev libsqlite3-dev libssl-dev
  qt6-base-dev libgl-dev help2man
  clang-format xvfb xauth fonts-dejavu-core
)

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
