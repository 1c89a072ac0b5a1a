#!/usr/bin/env bash
# Prepares the current user for Corvane, once: a data directory seeded from data/ and the
# settings key whose INSTALL value names it (the program never creates either).
#   bash scripts/setup-user.sh [BUILD_DIR]     (default build/release)
# The data directory is $XDG_DATA_HOME/Corvane (~/.local/share/Corvane); files already there
# are never overwritten.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/release}
setup_tool="$build_dir/app/corvane-setup"
if [ ! -x "$setup_tool" ]; then
  echo "Outil $setup_tool introuvable : construisez d'abord le programme." >&2
  exit 1
fi

data_home=${XDG_DATA_HOME:-$HOME/.local/share}
case "$data_home" in /*) ;; *) data_home=$HOME/.local/share ;; esac
data_dir="$data_home/Corvane"

mkdir -p "$data_dir/historique" "$data_dir/intraday" "$data_dir/Bourses" "$data_dir/help"
cp -R -n data/. "$data_dir/"
rm -f "$data_dir/historique/.gitkeep" "$data_dir/intraday/.gitkeep"

"$setup_tool" "$data_dir" >/dev/null
