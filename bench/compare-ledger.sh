#!/usr/bin/env bash
# Times opening the benchmarks' portfolio (100 000 trades over 2 000 securities: read, every
# position and the totals computed) against "ledger bal" on the same records as a journal, on
# this machine in one run. ledger is a measuring tool only (Debian package "ledger"), hyperfine
# times the processes.
#
# Two figures for Corvane: BM_LoadAndCompute, the opening inside a running program (the
# window's case: its memory is already the program's), and the whole process started on the
# file, which also pays for loading the program and for the first touch of every page of
# the document.
#
#   bench/compare-ledger.sh [build directory, default build/werror]
set -euo pipefail

build=${1:-build/werror}
bench="$build/bench/PortfolioFileBench"
for tool in ledger hyperfine python3; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
[ -x "$bench" ] || { echo "$bench is not built" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$bench" --emit "$dir"

"$bench" --benchmark_filter='^BM_LoadAndCompute$' --benchmark_repetitions=10 \
    --benchmark_format=json >"$dir/bench.json"
hyperfine --warmup 2 --min-runs 10 -N --export-json "$dir/times.json" \
    -n process "$bench --open $dir/portefeuille.cvx" \
    -n ledger "ledger -f $dir/portefeuille.ledger bal"

python3 - "$dir/bench.json" "$dir/times.json" <<'PY'
import json, statistics, sys
runs = [b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]
        if b.get("run_type") == "iteration"]
proc = {x["command"]: x for x in json.load(open(sys.argv[2]))["results"]}
ledger = proc["ledger"]
# The fastest run is the one least disturbed by the machine's other work.
figures = {
    "in the program": (statistics.mean(runs), min(runs)),
    "as a process": (proc["process"]["mean"] * 1000, proc["process"]["min"] * 1000),
}
l_mean, l_min = ledger["mean"] * 1000, ledger["min"] * 1000
print(f"ledger bal: mean {l_mean:.0f} ms, fastest {l_min:.0f} ms")
for what, (mean, fastest) in figures.items():
    print(f"Corvane {what}: mean {mean:.1f} ms ({l_mean / mean:.1f}x), "
          f"fastest {fastest:.1f} ms ({l_min / fastest:.1f}x)")
PY
