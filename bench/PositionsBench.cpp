// Recomputation of every position and of the totals of a large portfolio, as the main window
// does after each change: 2 000 securities, 100 000 trades.

#include "portfolio/Cv.h"

#include "platform/DateTime.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kTitres = 2000;
constexpr int kOperesParTitre = 50;

void AddTranche(ListeTranches& schedule, std::int32_t seuil, float frais, std::int32_t mntMin,
                bool plVal) {
    auto row = std::make_unique<TrancheFrais>();
    row->Seuil = seuil;
    row->Frais = frais;
    row->MntMin = mntMin;
    row->Tva = 0.196f;
    row->PlVal = plVal;
    schedule.push_back(std::move(row));
}

std::unique_ptr<TCorv> BuildPortfolio() {
    auto doc = std::make_unique<TCorv>("/tmp/corvane-positions-bench");
    doc->DateLiqP = platform::EncodeDate(2024, 5, 28);
    doc->DateLiqC = platform::EncodeDate(2024, 6, 25);
    doc->DateRent = platform::EncodeDate(2023, 1, 1);
    AddTranche(doc->TranchesFrais1, 0, 0.0065f, 500, false);
    AddTranche(doc->TranchesFrais1, 800000, 0.0050f, 0, false);
    AddTranche(doc->TranchesFrais2, 0, 0.0f, 0, false);
    AddTranche(doc->TranchesFrais2, 1500000, 0.0015f, 0, true);
    AddTranche(doc->TranchesSRD, 0, 0.0025f, 0, false);

    std::mt19937 gen(20240614);
    std::uniform_int_distribution<int> jour(0, 3 * 365);
    std::uniform_int_distribution<int> quantite(1, 200);
    std::uniform_int_distribution<int> cours(100, 20000);
    const double debut = platform::EncodeDate(2021, 6, 1);
    for (int i = 0; i < kTitres; ++i) {
        Valeurs model;
        model.Code = std::to_string(100000 + i);
        model.Libelle = "Titre " + model.Code;
        model.SRD = i % 3 == 0;
        model.Infos.Cours = cours(gen);
        Valeurs* titre = doc->AddTitre(model);
        std::int32_t tenu = 0;
        for (int k = 0; k < kOperesParTitre; ++k) {
            auto op = std::make_unique<Operes>();
            op->Date = debut + jour(gen);
            op->Quantite = quantite(gen);
            // Mostly long positions, with some sales beyond the holding.
            op->Sens = (tenu > 0 && gen() % 5 < 2) ? 'V' : 'A';
            tenu += op->Sens == 'A' ? op->Quantite : -op->Quantite;
            op->Cours = cours(gen);
            op->SRD = titre->SRD && gen() % 2 == 0;
            op->Pointe = gen() % 2 == 0;
            CalculFrais calcul;
            calcul.SRD = op->SRD;
            calcul.Quantite = op->Quantite;
            calcul.Cours = op->Cours;
            op->Frais = doc->ComputeFrais(calcul);
            op->Frais1 = calcul.Frais1;
            op->Frais2 = calcul.Frais2;
            op->FraisSRD = calcul.FraisSRD;
            titre->Operes.push_back(std::move(op));
        }
    }
    return doc;
}

void BM_RecomputeAllPositions(benchmark::State& state) {
    platform::Clock::SetFixed(platform::EncodeDate(2024, 6, 14) + 0.5);
    const auto doc = BuildPortfolio();
    for (auto _ : state) {
        for (const auto& titre : doc->Titres) {
            doc->SortOperes(titre.get());
            doc->ComputeTitre(titre.get());
        }
        doc->ComputeTotals();
        doc->ComputeRentabilites(doc->DateRent);
        benchmark::DoNotOptimize(doc->ValorNet);
        benchmark::DoNotOptimize(doc->RentNet);
    }
    state.counters["trades"] = kTitres * kOperesParTitre;
    platform::Clock::Reset();
}
BENCHMARK(BM_RecomputeAllPositions)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
