// Reading a history page of the first quote site whose markers are all in capitals, which the
// library accepts by retrying each marker with its case changed. A page ten times longer must
// take about ten times as long: the retry must not search the rest of the page again for each
// record.

#include "quotescan/AskWeb.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string HistoryPage(int records) {
    std::string page =
        "<HTML><BODY><APPLET CODE=\"Historique.class\">\n<PARAM NAME=\"NB\" VALUE=\"" +
        std::to_string(records) + "\">\n";
    for (int i = 0; i < records; ++i) {
        const std::string n = std::to_string(i);
        page += "<PARAM NAME=\"COURS" + n + "\" VALUE=\"45.10\"><PARAM NAME=\"DATE" + n +
                "\" VALUE=\"20010315\">\n";
    }
    return page + "</APPLET></BODY></HTML>\n";
}

void BM_HistoryPageInCapitals(benchmark::State& state) {
    const std::string text = HistoryPage(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<char> page(text.begin(), text.end());
        page.push_back('\0');
        AskWeb ask;
        std::memset(&ask, 0, sizeof ask);
        ask.Site = 1;
        ask.Type = AskKind::History;
        std::strcpy(ask.Code, "12000");
        int records = 0;
        if (AnalyseRep(&ask, page.data())) {
            InfosCours infos;
            while (!GetNextRep(&infos)) // true once the last record was handed out
                ++records;
        }
        if (records != state.range(0))
            state.SkipWithError("the page did not read whole");
        benchmark::DoNotOptimize(records);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_HistoryPageInCapitals)
    ->Arg(500)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace

BENCHMARK_MAIN();
