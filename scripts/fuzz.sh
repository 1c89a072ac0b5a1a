#!/usr/bin/env bash
# Fuzzes every reader of outside input with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, each for a bounded time, starting from its seed files. Needs
# clang++ (the main build uses g++); without it, fuzzing is skipped.
#
# The targets (one source each, under fuzz/ except the first):
#   quotescan       quote pages, through the quote-page library   quotescan/fuzz/FuzzAnalyse.cpp
#   portfolio_file  portfolio files (.cvx)                        fuzz/PortfolioFileFuzz.cpp
#   history_file    history files (.his)                          fuzz/HistoFileFuzz.cpp
#   alarm_log       alarm logs (.cvl), through the alarm list     fuzz/AlarmLogFuzz.cpp
#   settings_file   the settings store's file                     fuzz/SettingsFileFuzz.cpp
#   intraday_file   intraday files (.itd) and their chart         fuzz/IntradayFileFuzz.cpp
#   text_lines      the text-file line reader                     fuzz/TextLinesFuzz.cpp
#   market_list     market lists (.bdx) of the market picker      fuzz/MarketListFuzz.cpp
#   quote_sites     the quote-site list (servers.lst)             fuzz/QuoteSitesFuzz.cpp
#   import_model    import models (.cvm) and history text lines   fuzz/ImportModelFuzz.cpp
# Seeds: tests/data/quotescan/*.html for the first, tests/data/<target>/ for the others.
#
# Time: FUZZ_SECONDS per target, default 15, FUZZ_JOBS targets at a time, default 1. The test
# command runs three at a time: four rounds of 15 s, about a minute, plus the building. A longer run, every
# target ten minutes, three at a time (about 40 minutes):
#   FUZZ_SECONDS=600 FUZZ_JOBS=3 bash scripts/fuzz.sh
# FUZZ_TARGETS="history_file settings_file" limits the run to those targets; FUZZ_ARGS adds
# libFuzzer options (e.g. "-fork=1 -ignore_crashes=1" to go on after a failing input). The
# corpus grown by a run is kept in build/fuzz/<target>/corpus for the next one; a failing
# input is left in build/fuzz/<target>/ as crash-*, leak-*, timeout-* or oom-* (replay:
# build/fuzz/<target>/fuzz <that file>), and every one a run leaves fails its target, also
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
mkdir -p "$out/obj" || exit 1

flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -ffp-contract=off -fPIC
  -fsanitize=address,undefined -fno-sanitize-recover=all -I. -Iapp)
qt_pkgs="Qt6Widgets"

platform_src=(platform/*.cpp)
portfolio_src=(portfolio/*.cpp)
quotescan_src=(quotescan/Search.cpp quotescan/WebInf.cpp quotescan/IntradayFile.cpp
  quotescan/SiteTable.cpp quotescan/WebFinance.cpp quotescan/WebCota.cpp
  quotescan/WebSelect.cpp quotescan/WebBourso.cpp quotescan/QuoteScan.cpp)

# The sources of each target, its own first.
sources() {
  case "$1" in
    quotescan) echo quotescan/fuzz/FuzzAnalyse.cpp "${quotescan_src[@]}" \
      platform/DateText.cpp platform/DateTime.cpp platform/Numbers.cpp platform/TextFile.cpp ;;
    portfolio_file) echo fuzz/PortfolioFileFuzz.cpp "${portfolio_src[@]}" "${platform_src[@]}" ;;
    history_file) echo fuzz/HistoFileFuzz.cpp "${portfolio_src[@]}" "${platform_src[@]}" ;;
    alarm_log) echo fuzz/AlarmLogFuzz.cpp app/dialogs/AlarmLogDialog.cpp \
      "$out/obj/moc_AlarmLogDialog.cpp" \
      "${portfolio_src[@]}" "${platform_src[@]}" ;;
    settings_file) echo fuzz/SettingsFileFuzz.cpp platform/Settings.cpp platform/TextFile.cpp ;;
    intraday_file) echo fuzz/IntradayFileFuzz.cpp app/views/ChartData.cpp app/views/ViewText.cpp \
      quotescan/IntradayFile.cpp \
      "${portfolio_src[@]}" "${platform_src[@]}" ;;
    text_lines) echo fuzz/TextLinesFuzz.cpp platform/TextFile.cpp ;;
    market_list) echo fuzz/MarketListFuzz.cpp app/views/MarketList.cpp platform/TextFile.cpp ;;
    quote_sites) echo fuzz/QuoteSitesFuzz.cpp portfolio/QuoteSites.cpp platform/TextFile.cpp ;;
    import_model) echo fuzz/ImportModelFuzz.cpp "${portfolio_src[@]}" "${platform_src[@]}" ;;
    *) return 1 ;;
  esac
}

# The sources that include Qt headers; the alarm log is read by a Qt dialog, market lists
# into Qt strings.
needs_qt() {
  case "$1" in
    alarm_log | fuzz/AlarmLogFuzz.cpp | app/dialogs/AlarmLogDialog.cpp | */moc_AlarmLogDialog.cpp)
      return 0 ;;
    market_list | fuzz/MarketListFuzz.cpp | app/views/MarketList.cpp) return 0 ;;
    *) return 1 ;;
  esac
}

object() { echo "$out/obj/$(echo "${1%.cpp}" | tr / _).o"; }

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

build() {
  local target=$1 src objs=() libs=()
  if needs_qt "$target"; then
    libs=($(pkg-config --libs "$qt_pkgs"))
  fi
  # Every target takes the runtime layer, whose file fingerprints hash with XXH3.
  libs+=(-lxxhash)
  for src in $(sources "$target"); do
    objs+=("$(object "$src")")
  done
  "$cxx" "${flags[@]}" -fsanitize=fuzzer "${objs[@]}" "${libs[@]}" -o "$out/$target/fuzz"
}

compile_one() {
  local src=$1 qt=()
  if needs_qt "$src"; then
    qt=($(pkg-config --cflags "$qt_pkgs")) || return 1
  fi
  $launcher "$cxx" "${flags[@]}" "${qt[@]}" -fsanitize=fuzzer-no-link -c "$src" \
    -o "$(object "$src")"
}

# Every object once, however many targets use it, four at a time. Headers are not followed:
# every run compiles afresh (ccache, when there, makes that quick). A failed compile leaves
# its object missing.
compile_all() {
  local target src moc list
  rm -f "$out"/obj/*.o
  for target in $targets; do
    mkdir -p "$out/$target" || return 1
    if [ "$target" = alarm_log ]; then
      moc=$(pkg-config --variable=libexecdir Qt6Core 2>/dev/null)/moc
      [ -x "$moc" ] || moc=/usr/lib/qt6/libexec/moc
      "$moc" app/dialogs/AlarmLogDialog.h -o "$out/obj/moc_AlarmLogDialog.cpp" || return 1
    fi
  done
  list=$(for target in $targets; do sources "$target"; done | tr ' ' '\n' | sort -u)
  for src in $list; do
    while [ "$(jobs -rp | wc -l)" -ge 4 ]; do
      sleep 0.2
    done
    compile_one "$src" &
  done
  wait
  for src in $list; do
    [ -f "$(object "$src")" ] || return 1
  done
}

for target in $targets; do
  if ! sources "$target" >/dev/null; then
    echo "fuzz: unknown target $target (known: $all_targets)"
    exit 1
  fi
done
launcher=$(command -v ccache || true)
if ! compile_all 2>"$out/build.log"; then
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
  if ! build "$target" 2>"$out/$target/build.log" || ! seed "$target"; then
    tail -n 40 "$out/$target/build.log" >&2
    echo "fuzz: $target FAILED to build (see $out/$target/build.log)"
    return 1
  fi
  mkdir -p "$out/$target/corpus"
  # Failing inputs are counted by their time: those of an earlier run stay where they are.
  touch "$out/$target/started" || return 1
  (cd "$out/$target" && LSAN_OPTIONS=suppressions=$root/fuzz/lsan.supp:print_suppressions=0 ./fuzz \
    -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=8192 \
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
