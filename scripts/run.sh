#!/usr/bin/env bash
# Installs what is missing, builds Corvane and starts it on its default data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF \
  -DCORVANE_BUILD_BENCH=OFF
cmake --build build/release -j "$(nproc)"
if [ ! -x build/release/app/corvane ]; then
  echo "La fenêtre du programme n'existe pas encore : seules les bibliothèques sont construites."
  exit 0
fi
bash scripts/setup-user.sh
exec build/release/app/corvane "$@"
