#!/usr/bin/env bash
# Installs the Debian packages TALVEN needs, only those missing. Usage: scripts/deps.sh [gui]
set -euo pipefail

packages=(g++ cmake make ccache pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev libserialport-dev
          qt6-base-dev libgl-dev dpkg-dev appstream desktop-file-utils
          clang libclang-rt-14-dev)
if [ "${1:-}" = "gui" ]; then
  packages+=(xvfb xauth)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo_cmd=(sudo); else
    echo "These Debian packages are missing and you are not root: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q || true
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
