// Putting rows into an in-memory table indexed on (code, date), as the import's staging table
// is: one row posted at a time, each placed by its key at once, and the bulk load that puts
// them last and sorts once at the end. Rows come in key order, in reverse order, shuffled, and
// shuffled with every key twice. Two sizes each, ten times apart: a
// quadratic path takes about a hundred times as long at the larger size, an n log n one about
// twelve times.

#include "platform/MemTable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::FieldDef;
using platform::FieldType;
using platform::MemTable;

enum class Ordre { Croissant, Inverse, Melange, Doublons };

struct Ligne {
    std::string code;
    double date;
    double cours;
};

std::vector<Ligne> Lignes(int n, Ordre ordre) {
    const int cles = ordre == Ordre::Doublons ? n / 2 : n;
    std::vector<Ligne> lignes;
    lignes.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int cle = i % cles;
        // Fifty securities, each with its run of days.
        lignes.push_back({"FR" + std::to_string(1000 + cle % 50), 30000.0 + cle / 50,
                          100.0 + static_cast<double>(i % 977)});
    }
    const auto avant = [](const Ligne& a, const Ligne& b) {
        return a.code != b.code ? a.code < b.code : a.date < b.date;
    };
    std::stable_sort(lignes.begin(), lignes.end(), avant);
    if (ordre == Ordre::Inverse)
        std::reverse(lignes.begin(), lignes.end());
    else if (ordre == Ordre::Melange || ordre == Ordre::Doublons)
        std::shuffle(lignes.begin(), lignes.end(), std::mt19937(2024));
    return lignes;
}

std::unique_ptr<MemTable> Table() {
    auto table = std::make_unique<MemTable>(
        "Bench", std::vector<FieldDef>{FieldDef{"Code", FieldType::String, 20, {}},
                                       FieldDef{"Date", FieldType::Date, 0, {}},
                                       FieldDef{"Cours", FieldType::Float, 0, "0,.00"},
                                       FieldDef{"Volume", FieldType::Integer, 0, {}}});
    table->AddIndex("Cle", "Code;Date");
    table->SetIndexName("Cle");
    return table;
}

void Pose(MemTable& table, const Ligne& ligne) {
    table.Append();
    table.Fields(0).SetAsString(ligne.code);
    table.Fields(1).SetAsDateTime(ligne.date);
    table.Fields(2).SetAsFloat(ligne.cours);
    table.Fields(3).SetAsInteger(7);
    table.Post();
}

// range(0): rows; range(1): the order (see Ordre).
void BM_PostedOneByOne(benchmark::State& state) {
    const auto lignes =
        Lignes(static_cast<int>(state.range(0)), static_cast<Ordre>(state.range(1)));
    for (auto _ : state) {
        const auto table = Table();
        for (const Ligne& ligne : lignes)
            Pose(*table, ligne);
        benchmark::DoNotOptimize(table->RecordCount());
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// range(0): rows; range(1): the order; range(2): 1 to keep only the first of equal keys.
void BM_BulkLoad(benchmark::State& state) {
    const auto lignes =
        Lignes(static_cast<int>(state.range(0)), static_cast<Ordre>(state.range(1)));
    const auto repeats =
        state.range(2) != 0 ? MemTable::Repeats::KeepFirst : MemTable::Repeats::Keep;
    for (auto _ : state) {
        const auto table = Table();
        platform::BulkLoad load(*table);
        for (const Ligne& ligne : lignes)
            Pose(*table, ligne);
        load.Finish(repeats);
        benchmark::DoNotOptimize(table->RecordCount());
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void Tailles(benchmark::internal::Benchmark* b, bool cles) {
    for (int ordre = 0; ordre < 4; ++ordre)
        for (int n : {10000, 100000}) {
            if (cles)
                b->Args({n, ordre, 0})->Args({n, ordre, 1});
            else
                b->Args({n, ordre});
        }
}

BENCHMARK(BM_PostedOneByOne)
    ->ArgNames({"rows", "ordre"})
    ->Apply([](benchmark::internal::Benchmark* b) { Tailles(b, false); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BulkLoad)
    ->ArgNames({"rows", "ordre", "premier"})
    ->Apply([](benchmark::internal::Benchmark* b) { Tailles(b, true); })
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
