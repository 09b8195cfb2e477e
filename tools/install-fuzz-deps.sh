#!/usr/bin/env bash
# Installs, with apt-get, what the fuzz build needs beyond install-deps.sh: clang 14 and its
# runtime libraries, which ship libFuzzer (libclang_rt.fuzzer-x86_64.a) and the sanitizers.
# Only what is missing is installed, so running it again is cheap.
set -euo pipefail

packages=(clang libclang-rt-14-dev zip)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
