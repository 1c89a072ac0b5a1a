// Loading, saving and the indicators over a 20-year daily history (5 000 rows) and over a
// very long one (1 300 000 rows).

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

// One data folder per size, written once and removed at exit.
class Fixture {
public:
    explicit Fixture(int rows) : rows_(rows) {
        std::string pattern = (fs::temp_directory_path() / "corvane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp");
        dir_ = pattern;
        fs::create_directories(dir_ / "historique");
        titre_.Code = "BENCH";
        titre_.Infos.Cours = 10000;
        std::ofstream out(dir_ / "historique" / "BENCH.his", std::ios::binary);
        out << "01/01/1970\n";
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
            out << line;
        }
        corv_ = std::make_unique<TCorv>(dir_.string());
    }
    ~Fixture() {
        corv_.reset();
        fs::remove_all(dir_);
    }

    TCorv& Corv() { return *corv_; }
    Valeurs& Titre() { return titre_; }
    int Rows() const { return rows_; }

private:
    int rows_;
    fs::path dir_;
    Valeurs titre_;
    std::unique_ptr<TCorv> corv_;
};

Fixture& FixtureFor(int rows) {
    static std::unique_ptr<Fixture> small;
    static std::unique_ptr<Fixture> large;
    auto& slot = rows <= 5000 ? small : large;
    if (!slot || slot->Rows() != rows)
        slot = std::make_unique<Fixture>(rows);
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
BENCHMARK(BM_SaveHistoFile)->Arg(5000)->Arg(1300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComputeIndicateurs)->Arg(5000)->Arg(1300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddHistoPoint)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
