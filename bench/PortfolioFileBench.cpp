// Reading and writing a large portfolio: 2 000 securities holding 100 000 trades; reading
// 1 000 000 trades, with the file's lines as saved and shuffled (trades before their
// security's line, securities and trades in no order).
//
// Two modes outside the benchmarks, for bench/compare-ledger.sh, which times this program
// against ledger on the same machine in one run:
//   PortfolioFileBench --emit DIR        writes DIR/portefeuille.cvx (the portfolio of the
//                                        benchmarks) and DIR/portefeuille.ledger (the same
//                                        trades and movements as a ledger journal)
//   PortfolioFileBench --open FILE       loads FILE and computes every position and the totals,
//                                        as opening it in the window does

#include "portfolio/Cv.h"

#include "platform/DateTime.h"
#include "platform/Numbers.h"
#include "tests/support/TempFolder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kTitres = 2000;
constexpr int kOperesParTitre = 50;

void Fill(TCorv& doc, int operesParTitre = kOperesParTitre) {
    doc.TranchesFrais1.push_back(std::make_unique<TrancheFrais>());
    doc.TranchesSRD.push_back(std::make_unique<TrancheFrais>());
    for (int t = 0; t < kTitres; ++t) {
        auto v = std::make_unique<Valeurs>();
        v->Code = std::to_string(100000 + t);
        v->Libelle = "Valeur " + std::to_string(t);
        v->NomBourse = "Paris";
        v->Activite = "Secteur " + std::to_string(t % 17);
        v->SRD = t % 2 == 0;
        v->Infos.Cours = 1000 + t;
        v->Infos.Date = 45000 + t % 30;
        v->Infos.Heure = 0.7;
        v->BilanPurge.NbAchat = t;
        v->BilanPurge.ARealNet = t * 1000;
        for (int o = 0; o < operesParTitre; ++o) {
            auto op = std::make_unique<Operes>();
            op->Date = 40000 + o % 50 * 20 + t % 20;
            op->Sens = o % 3 == 2 ? 'V' : 'A';
            op->Quantite = 10 + o;
            op->Cours = 1500 + 7 * o + t;
            op->Frais1 = 900 + o;
            op->Frais2 = 12;
            op->FraisSRD = o % 4 == 0 ? 250 : 0;
            op->SRD = o % 4 == 0;
            v->Operes.push_back(std::move(op));
        }
        doc.Titres.push_back(std::move(v));
    }
    for (int m = 0; m < 1000; ++m) {
        auto mvt = std::make_unique<Mvt>();
        mvt->Date = 40000 + m;
        mvt->Sens = m % 5 == 0 ? 'D' : 'C';
        mvt->Montant = 100000 + m;
        mvt->Comment = m % 2 == 0 ? "Versement" : "";
        doc.Mouvements.push_back(std::move(mvt));
    }
}

void BM_LoadFile(benchmark::State& state) {
    TCorv source("");
    Fill(source);
    const TempFolder folder;
    source.Fichier = folder.File("load.cvx");
    if (!source.SaveFile()) {
        state.SkipWithError("le fichier n'a pas pu être écrit");
        return;
    }
    for (auto _ : state) {
        TCorv doc("");
        benchmark::DoNotOptimize(doc.LoadFile(source.Fichier));
        state.PauseTiming(); // freeing the document is not reading it
        doc.Titres.clear();
        doc.Mouvements.clear();
        state.ResumeTiming();
    }
    state.counters["octets"] = static_cast<double>(std::filesystem::file_size(source.Fichier));
}
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond);

// range(0): trades; range(1): 1 when the lines after the first are shuffled.
void BM_LoadTrades(benchmark::State& state) {
    TCorv source("");
    Fill(source, static_cast<int>(state.range(0) / kTitres));
    const TempFolder folder;
    source.Fichier = folder.File("trades.cvx");
    if (!source.SaveFile()) {
        state.SkipWithError("le fichier n'a pas pu être écrit");
        return;
    }
    source.Titres.clear();
    if (state.range(1) != 0) {
        std::ifstream in(source.Fichier, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line + '\n');
        in.close();
        std::shuffle(lines.begin() + 1, lines.end(), std::mt19937(2024));
        std::ofstream out(source.Fichier, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines)
            out << line;
    }
    for (auto _ : state) {
        TCorv doc("");
        benchmark::DoNotOptimize(doc.LoadFile(source.Fichier));
        state.PauseTiming(); // freeing the document is not reading it
        doc.Titres.clear();
        doc.Mouvements.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadTrades)
    ->ArgNames({"trades", "shuffled"})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);

// Opening as the window does: the file read, every security's trades sorted and replayed, the
// totals summed.
void LoadAndCompute(TCorv& doc, const std::string& path) {
    if (doc.LoadFile(path) != 1)
        return;
    for (const auto& titre : doc.Titres) {
        doc.SortOperes(titre.get());
        doc.ComputeTitre(titre.get());
    }
    doc.ComputeTotals();
}

void BM_LoadAndCompute(benchmark::State& state) {
    TCorv source("");
    Fill(source);
    const TempFolder folder;
    source.Fichier = folder.File("ouvrir.cvx");
    if (!source.SaveFile()) {
        state.SkipWithError("le fichier n'a pas pu être écrit");
        return;
    }
    for (auto _ : state) {
        TCorv doc("");
        LoadAndCompute(doc, source.Fichier);
        benchmark::DoNotOptimize(doc.Cash);
        state.PauseTiming(); // freeing the document is not opening it
        doc.Titres.clear();
        doc.Mouvements.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kTitres * kOperesParTitre);
}
BENCHMARK(BM_LoadAndCompute)->Unit(benchmark::kMillisecond);

void BM_SaveFile(benchmark::State& state) {
    TCorv doc("");
    Fill(doc);
    const TempFolder folder;
    doc.Fichier = folder.File("save.cvx");
    for (auto _ : state) {
        if (!doc.SaveFile()) {
            state.SkipWithError("le fichier n'a pas pu être écrit");
            break;
        }
    }
}
BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond);

// ------------------------------------------------------------------ comparison with ledger

std::string LedgerDate(double date) {
    const platform::DateParts d = platform::DecodeDate(date);
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", d.year, d.month, d.day);
    return text;
}

std::string Euros(std::int64_t cents) {
    return platform::FormatFixed(static_cast<double>(cents) / 100.0, 2) + " EUR";
}

// Each trade is one transaction: the shares held (a virtual posting, so that ledger counts them
// without building a price history), their cost, the fees and the cash; each movement one
// more. ledger balances every transaction and sums every account, as the portfolio's
// positions and totals sum the same records.
std::string LedgerJournal(const TCorv& doc) {
    std::string out;
    for (const auto& titre : doc.Titres) {
        for (const auto& op : titre->Operes) {
            const bool achat = op->Sens == 'A';
            const std::int64_t quantite = achat ? op->Quantite : -std::int64_t{op->Quantite};
            const std::int64_t frais =
                static_cast<std::int64_t>(op->Frais1) + op->Frais2 + op->FraisSRD;
            out += LedgerDate(op->Date) + (achat ? " Achat " : " Vente ") + titre->Code + '\n';
            out += "    (Actifs:Titres:" + titre->Code + ")    " + platform::FormatInt(quantite) +
                   " \"T" + titre->Code + "\"\n";
            out += "    Actifs:Titres:" + titre->Code + "    " + Euros(quantite * op->Cours) + '\n';
            out += "    Charges:Frais    " + Euros(frais) + '\n';
            out += "    Actifs:Liquidites\n\n";
        }
    }
    for (const auto& m : doc.Mouvements) {
        const std::int64_t montant = m->Sens == 'C' ? m->Montant : -std::int64_t{m->Montant};
        out += LedgerDate(m->Date) + " Mouvement\n";
        out += "    Actifs:Liquidites    " + Euros(montant) + '\n';
        out += "    Capitaux:Apports\n\n";
    }
    return out;
}

int Emit(const std::string& dir) {
    TCorv doc("");
    Fill(doc);
    doc.Fichier = dir + "/portefeuille.cvx";
    if (!doc.SaveFile()) {
        std::fprintf(stderr, "%s ne peut pas être écrit\n", doc.Fichier.c_str());
        return 1;
    }
    std::ofstream journal(dir + "/portefeuille.ledger", std::ios::binary | std::ios::trunc);
    journal << LedgerJournal(doc);
    return journal.good() ? 0 : 1;
}

int Open(const std::string& path) {
    TCorv doc("");
    LoadAndCompute(doc, path);
    if (doc.Titres.empty()) {
        std::fprintf(stderr, "%s ne peut pas être lu\n", path.c_str());
        return 1;
    }
    std::printf("%d\n", doc.Cash);
    std::fflush(stdout);
    // The document stays open, as in the window: freeing it is no part of opening it.
    std::_Exit(0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--emit") == 0)
        return Emit(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0)
        return Open(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
