// Loading, saving and the indicators over a 20-year daily history (5 000 rows) and over a
// very long one (1 300 000 rows); loading 200 000 rows whose lines come in date order, in
// reverse order and in random order (each shuffled line a day, a tenth of them repeated).

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include "tests/support/TempFolder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

enum class Order { InOrder, Reverse, Random };

// One data folder per size and line order, written once and removed at exit.
class Fixture {
public:
    explicit Fixture(int rows, Order order = Order::InOrder) {
        fs::create_directories(folder_.Path() / "historique");
        titre_.Code = "BENCH";
        titre_.Infos.Cours = 10000;
        std::vector<std::string> lines;
        lines.reserve(static_cast<std::size_t>(rows));
        const double first = platform::EncodeDate(1990, 1, 1);
        std::uint32_t seed = 12345;
        std::int32_t cours = 10000;
        for (int i = 0; i < rows; ++i) {
            seed = seed * 1103515245u + 12345u;
            cours += static_cast<std::int32_t>((seed >> 16) % 201) - 100;
            if (cours < 100)
                cours = 100;
            const auto d = platform::DecodeDate(first + i);
            char line[96];
            std::snprintf(line, sizeof line, "%02d/%02d/%04d;%d;%d;%d;%d;\n", d.day, d.month,
                          d.year, cours, cours + 50, cours - 50, static_cast<int>(seed % 100000));
            lines.emplace_back(line);
        }
        if (order == Order::Reverse) {
            std::reverse(lines.begin(), lines.end());
        } else if (order == Order::Random) {
            for (int i = 0; i < rows; i += 10)
                lines.push_back(lines[static_cast<std::size_t>(i)]);
            std::shuffle(lines.begin(), lines.end(), std::mt19937(2024));
        }
        std::ofstream out(folder_.Path() / "historique" / "BENCH.his", std::ios::binary);
        out << "01/01/1970\n";
        for (const std::string& line : lines)
            out << line;
        out.close();
        corv_ = std::make_unique<TCorv>(folder_.Path().string());
    }

    TCorv& Corv() { return *corv_; }
    Valeurs& Titre() { return titre_; }

private:
    const TempFolder folder_;
    Valeurs titre_;
    std::unique_ptr<TCorv> corv_;
};

Fixture& FixtureFor(int rows, Order order = Order::InOrder) {
    static std::map<std::pair<int, Order>, std::unique_ptr<Fixture>> fixtures;
    auto& slot = fixtures[{rows, order}];
    if (!slot)
        slot = std::make_unique<Fixture>(rows, order);
    return *slot;
}

void BM_LoadHistoFile(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (!f.Corv().LoadHistoFile(&f.Titre()))
            state.SkipWithError("load failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// range(0): rows; range(1): the order of the lines (see Order).
void BM_LoadHistoOrder(benchmark::State& state) {
    const auto order = static_cast<Order>(state.range(1));
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)), order);
    for (auto _ : state) {
        if (!f.Corv().LoadHistoFile(&f.Titre()))
            state.SkipWithError("load failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SaveHistoFile(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    f.Corv().LoadHistoFile(&f.Titre());
    for (auto _ : state) {
        if (!f.Corv().SaveHistoFile())
            state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ComputeIndicateurs(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<int>(state.range(0)));
    f.Corv().LoadHistoFile(&f.Titre());
    std::int32_t moyenne = 0;
    std::int32_t rsi = 0;
    for (auto _ : state) {
        f.Corv().ComputeIndicateurs(&f.Titre(), 14, moyenne, rsi, 20);
        benchmark::DoNotOptimize(moyenne);
        benchmark::DoNotOptimize(rsi);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_AddHistoPoint(benchmark::State& state) {
    // Downloaded days that sort last, added to a loaded 20-year history.
    Fixture& f = FixtureFor(5000);
    f.Corv().LoadHistoFile(&f.Titre());
    InfosCours jour{};
    jour.Date = platform::EncodeDate(2030, 1, 1);
    jour.Cours = 12345;
    for (auto _ : state) {
        jour.Date += 1.0;
        f.Corv().AddHistoPoint(jour);
    }
}

BENCHMARK(BM_LoadHistoFile)->Arg(5000)->Arg(1300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadHistoOrder)
    ->ArgNames({"rows", "order"})
    ->Args({200000, static_cast<int>(Order::InOrder)})
    ->Args({200000, static_cast<int>(Order::Reverse)})
    ->Args({200000, static_cast<int>(Order::Random)})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveHistoFile)->Arg(5000)->Arg(1300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComputeIndicateurs)->Arg(5000)->Arg(1300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddHistoPoint)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
