#!/usr/bin/env bash
# Fuzzes every reader of outside input with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, each for a bounded time, starting from its seed files. Needs
# clang++ (the main build uses g++); without it, fuzzing is skipped.
#
# The targets are declared in fuzz/CMakeLists.txt, each linked against the libraries that hold
# its reader; this script configures that build with clang (CORVANE_FUZZ) and runs them:
#   quotescan       quote pages, through the quote-page library
#   portfolio_file  portfolio files (.cvx)
#   history_file    history files (.his)
#   alarm_log       alarm logs (.cvl), through the alarm list
#   settings_file   the settings store's file
#   intraday_file   intraday files (.itd) and their chart
#   text_lines      the text-file line reader
#   market_list     market lists (.bdx) of the market picker
#   quote_sites     the quote-site list (servers.lst)
#   import_model    import models (.cvm) and history text lines
# Seeds: tests/data/quotescan/*.html for the first, tests/data/<target>/ for the others.
#
# Time: FUZZ_SECONDS per target, default 15, FUZZ_JOBS targets at a time, default 1. The test
# command runs three at a time: four rounds of 15 s, about a minute, plus the building. A
# longer run, every
# target ten minutes, three at a time (about 40 minutes):
#   FUZZ_SECONDS=600 FUZZ_JOBS=3 bash scripts/fuzz.sh
# FUZZ_TARGETS="history_file settings_file" limits the run to those targets; FUZZ_ARGS adds
# libFuzzer options (e.g. "-fork=1 -ignore_crashes=1" to go on after a failing input). The
# corpus grown by a run is kept in build/fuzz/<target>/corpus for the next one; a failing
# input is left in build/fuzz/<target>/ as crash-*, leak-*, timeout-* or oom-* (replay:
# build/fuzz/build/fuzz/<target>_fuzz <that file>), and every one a run leaves fails its target, also
# when libFuzzer itself went on and ended well. FUZZ_OUT puts all that in another folder than
# build/fuzz, for two runs at once.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

cxx=${FUZZ_CXX:-clang++}
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "fuzz: $cxx not found, fuzzing skipped"
  exit 0
fi

out=${FUZZ_OUT:-build/fuzz}
seconds=${FUZZ_SECONDS:-15}
jobs=${FUZZ_JOBS:-1}
all_targets="quotescan portfolio_file history_file alarm_log settings_file intraday_file text_lines
  market_list quote_sites import_model"
targets=${FUZZ_TARGETS:-$all_targets}
mkdir -p "$out" || exit 1
build_dir="$(cd "$out" && pwd)/build"
# Sets the seeds of a target in $out/<target>/seeds.
seed() {
  local target=$1 dir="$out/$1/seeds" file name site kind s k
  rm -rf "$dir" && mkdir -p "$dir" || return 1
  case "$target" in
    quotescan)
      # Every test page, prefixed with the site and kind it was written for; the empty and
      # cut pages also under every site and kind.
      for file in tests/data/quotescan/*.html; do
        name=$(basename "$file" .html)
        case "$name" in site[0-3]_*) site=${name:4:1} ;; *) site=x ;; esac
        case "$name" in
          *_quote*) kind=0 ;; *_intraday*) kind=1 ;; *_history*) kind=2 ;; *) kind=x ;;
        esac
        if [ "$site" = x ] || [ "$kind" = x ] || [[ "$name" == *_cut ]]; then
          for s in 0 1 2 3 4; do
            for k in 0 1 2 3; do
              { printf "\\x$(printf %02x "$s")\\x$(printf %02x "$k")"; cat "$file"; } \
                >"$dir/$name-$s-$k"
            done
          done
        else
          { printf "\\x$(printf %02x "$site")\\x$(printf %02x "$kind")"; cat "$file"; } \
            >"$dir/$name"
        fi
      done ;;
    intraday_file)
      # The first four bytes are the last close: none, and 12,34 euros.
      for file in tests/data/intraday_file/*; do
        name=$(basename "$file")
        { printf '\0\0\0\0'; cat "$file"; } >"$dir/$name-0"
        { printf '\xd2\x04\0\0'; cat "$file"; } >"$dir/$name-1234"
      done ;;
    text_lines)
      # The first byte is the longest line allowed: 126 as the intraday reader's, 0 and 255.
      for file in tests/data/text_lines/*; do
        name=$(basename "$file")
        for k in 00 7e ff; do
          { printf "\\x$k"; cat "$file"; } >"$dir/$name-$k"
        done
      done ;;
    *) cp "tests/data/$target"/* "$dir"/ ;;
  esac
}

for target in $targets; do
  case " $(echo $all_targets) " in
    *" $target "*) mkdir -p "$out/$target" || exit 1 ;;
    *) echo "fuzz: unknown target $target (known: $(echo $all_targets))"; exit 1 ;;
  esac
done
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if ! { cmake -S . -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON -DCORVANE_BUILD_TESTS=OFF \
         -DCORVANE_BUILD_BENCH=OFF "${launcher[@]}" \
    && cmake --build "$build_dir" -j "$(nproc)" --target fuzz_targets; } >"$out/build.log" 2>&1; then
  tail -n 60 "$out/build.log" >&2
  echo "fuzz: FAILED to build the fuzz targets (see $out/build.log)"
  exit 1
fi

# The failing inputs (crash, leak, timeout, out of memory) a target's run left, newest run only.
failing_inputs() {
  find "$out/$1" -maxdepth 1 -type f -newer "$out/$1/started" \
    \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort
}

run() {
  local target=$1 log="$out/$1/fuzz.log" status runs left
  echo 1 >"$out/$target/status"
  if ! seed "$target"; then
    echo "fuzz: $target FAILED to gather its seeds"
    return 1
  fi
  mkdir -p "$out/$target/corpus"
  # Failing inputs are counted by their time: those of an earlier run stay where they are.
  touch "$out/$target/started" || return 1
  (cd "$out/$target" && LSAN_OPTIONS=suppressions=$root/fuzz/lsan.supp:print_suppressions=0 \
    "$build_dir/fuzz/${target}_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=8192 \
    -timeout=30 -print_final_stats=1 ${FUZZ_ARGS:-} corpus seeds) >"$log" 2>&1
  status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  # With -fork=1 -ignore_crashes=1 libFuzzer goes on after a failing input and may end with
  # success: every input it left is a failure all the same.
  left=$(failing_inputs "$target")
  if [ -n "$left" ]; then
    echo "fuzz: $target left $(echo "$left" | wc -l) failing input(s):" $left >&2
    [ "$status" -ne 0 ] || status=1
  fi
  echo "$status" >"$out/$target/status"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log" >&2
    echo "fuzz: $target FAILED after ${runs:-?} runs (exit $status); log in $log," \
      "failing input in $out/$target"
    return 1
  fi
  echo "fuzz: $target ok, ${runs:-?} runs in ${seconds}s, no crash or sanitizer report"
}

status=0
for target in $targets; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    sleep 1
  done
  run "$target" &
done
wait
for target in $targets; do
  [ "$(cat "$out/$target/status" 2>/dev/null)" = 0 ] || status=1
done
exit "$status"
