#!/usr/bin/env bash
# Installs the Debian packages Pelmar needs to build, test and run. Idempotent:
# when everything is present it only checks and returns.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git python3 fp-compiler
    libgtest-dev libgmock-dev libbenchmark-dev libpcre2-dev time vim-nox
    libgtksourceview-4-common
    hunspell hunspell-en-us hunspell-ru hunspell-de-de
    clang clang-format
    qt6-base-dev libqt6svg6 qt6-translations-l10n xvfb xauth imagemagick poppler-utils
    desktop-file-utils groff-base
    fonts-dejavu-core fonts-liberation2 fonts-wqy-microhei
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

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
