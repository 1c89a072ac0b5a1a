#!/usr/bin/env bash
# Installs, as root on Debian 12, what building, running and testing Corvane needs.
set -euo pipefail

packages=(cmake ninja-build g++ clang libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-qpa-plugins qt6-translations-l10n
          qt6-base-private-dev
          libgl-dev libxxhash-dev pkg-config locales xvfb xauth)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installation de : ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locale tests need a French locale, which a fresh machine lacks.
if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf-\?8$'; then
  sed -i 's/^# *\(fr_FR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen || echo 'fr_FR.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
