#!/usr/bin/env bash
# Times opening the benchmarks' portfolio (100 000 trades over 2 000 securities: read, every
# position and the totals computed) against "ledger bal" on the same trades as a journal, on
# this machine in one run. ledger is a measuring tool only (Debian package "ledger"); hyperfine
# is used when installed, else ten timed runs of each.
#
#   bench/compare-ledger.sh [build directory, default build/werror]
set -euo pipefail

build=${1:-build/werror}
bench="$build/bench/PortfolioFileBench"
command -v ledger >/dev/null || { echo "ledger is not installed" >&2; exit 1; }
[ -x "$bench" ] || { echo "$bench is not built" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$bench" --emit "$dir"
corvane=("$bench" --open "$dir/portefeuille.cvx")
journal=(ledger -f "$dir/portefeuille.ledger" bal)

if command -v hyperfine >/dev/null; then
    hyperfine --warmup 2 --min-runs 10 -N --export-json "$dir/times.json" \
        -n corvane "${corvane[*]}" -n ledger "${journal[*]}"
    python3 - "$dir/times.json" <<'PY'
import json, sys
# The fastest run is the one least disturbed by the machine's other work.
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
c, l = r["corvane"], r["ledger"]
for what in ("mean", "min"):
    print(f"{what}: corvane {c[what] * 1000:.1f} ms, ledger {l[what] * 1000:.1f} ms, "
          f"ratio {l[what] / c[what]:.1f}x")
PY
else
    mean() { # the mean wall time of ten runs, in milliseconds
        local start end
        "$@" >/dev/null
        start=$(date +%s%N)
        for _ in 1 2 3 4 5 6 7 8 9 10; do "$@" >/dev/null; done
        end=$(date +%s%N)
        echo $(( (end - start) / 10000000 ))
    }
    c=$(mean "${corvane[@]}")
    l=$(mean "${journal[@]}")
    echo "corvane $c ms, ledger $l ms, ratio $(awk "BEGIN { printf \"%.1f\", $l / $c }")x"
fi
