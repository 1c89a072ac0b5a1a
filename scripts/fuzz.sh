#!/usr/bin/env bash
# Fuzzes the quote-page library's page reading with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, for a bounded time, starting from the test pages. Needs clang++
# (the main build uses g++); without it, fuzzing is skipped.
# FUZZ_SECONDS sets the time (default 60).
set -uo pipefail
cd "$(dirname "$0")/.."

cxx=${FUZZ_CXX:-clang++}
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "fuzz: $cxx not found, fuzzing skipped"
  exit 0
fi

out=build/fuzz
seconds=${FUZZ_SECONDS:-60}
mkdir -p "$out/corpus" "$out/seeds" || exit 1

if ! "$cxx" -std=c++20 -O1 -g -fno-omit-frame-pointer -ffp-contract=off \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I. \
    quotescan/Search.cpp quotescan/WebInf.cpp quotescan/IntradayFile.cpp \
    quotescan/SiteTable.cpp quotescan/WebFinance.cpp quotescan/WebCota.cpp \
    quotescan/WebSelect.cpp quotescan/WebBourso.cpp quotescan/QuoteScan.cpp \
    platform/DateText.cpp platform/DateTime.cpp platform/Numbers.cpp \
    quotescan/fuzz/FuzzAnalyse.cpp -o "$out/quotescan_fuzz" 2>"$out/build.log"; then
  cat "$out/build.log" >&2
  echo "fuzz: FAILED to build the fuzz target (see $out/build.log)"
  exit 1
fi

# Seeds: every test page, prefixed with the site and kind it was written for; the empty and
# cut pages also under every site and kind.
rm -f "$out"/seeds/*
for page in tests/data/quotescan/*.html; do
  name=$(basename "$page" .html)
  case "$name" in
    site[0-3]_*) site=${name:4:1} ;;
    *) site=x ;;
  esac
  case "$name" in
    *_quote*) kind=0 ;;
    *_intraday*) kind=1 ;;
    *_history*) kind=2 ;;
    *) kind=x ;;
  esac
  if [ "$site" = x ] || [ "$kind" = x ] || [[ "$name" == *_cut ]]; then
    for s in 0 1 2 3 4; do
      for k in 0 1 2 3; do
        { printf "\\x$(printf %02x "$s")\\x$(printf %02x "$k")"; cat "$page"; } \
          >"$out/seeds/$name-$s-$k"
      done
    done
  else
    { printf "\\x$(printf %02x "$site")\\x$(printf %02x "$kind")"; cat "$page"; } \
      >"$out/seeds/$name"
  fi
done

log="$out/fuzz.log"
(cd "$out" && ./quotescan_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=8192 \
  -print_final_stats=1 corpus seeds) >"$log" 2>&1
status=$?
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
if [ "$status" -ne 0 ]; then
  tail -n 40 "$log" >&2
  echo "fuzz: FAILED after ${runs:-?} runs (exit $status); log in $log, crash input in $out"
  exit 1
fi
echo "fuzz: quotescan ok, ${runs:-?} runs in ${seconds}s, no crash or sanitizer report"
