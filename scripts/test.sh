#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: once with warnings as
# errors, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
status=0

cmake -S . -B build/werror -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON \
  && cmake --build build/werror -j "$jobs" || exit 1
(cd build/werror && ctest --output-on-failure -j "$jobs") || status=1

# Every fuzz target briefly, three at a time: about a minute of fuzzing (scripts/fuzz.sh).
if [ -x scripts/fuzz.sh ]; then
  FUZZ_JOBS=${FUZZ_JOBS:-3} bash scripts/fuzz.sh || status=1
fi

cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANE_WERROR=ON \
  -DCORVANE_SANITIZE=ON -DCORVANE_BUILD_BENCH=OFF \
  && cmake --build build/sanitize -j "$jobs" || exit 1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build/sanitize && ctest --output-on-failure -j "$jobs") || status=1

exit "$status"
