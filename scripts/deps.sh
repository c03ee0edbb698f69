#!/usr/bin/env bash
# Installs the Debian packages that building, testing, benchmarking and fuzzing need, when any
# of them is missing. Safe to run again: it does nothing when everything is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libfreetype-dev fonts-liberation libasound2-dev
  xvfb xauth g++-multilib clang libclang-rt-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "deps.sh: installing ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
