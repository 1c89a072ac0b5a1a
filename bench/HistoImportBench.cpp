// Importing a 200 000-line history text file for one security into an empty history: lines in
// date order, newest first (as many sites export them), shuffled, and shuffled with each day
// written twice (the second line of a day updating the first). Then the same shuffled file
// merged into a history that already holds every other day, so that the new days fall between
// stored ones.

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "portfolio/HistoImport.h"

#include "tests/support/TempFolder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kLignes = 200000;

enum class Ordre { Croissant, Inverse, Melange, Doublons };

std::vector<std::string> Lignes(int jours) {
    std::vector<std::string> lignes;
    lignes.reserve(static_cast<std::size_t>(jours));
    const double premier = platform::EncodeDate(1900, 1, 1);
    std::uint32_t seed = 12345;
    int cours = 10000;
    for (int i = 0; i < jours; ++i) {
        seed = seed * 1103515245u + 12345u;
        cours = std::max(100, cours + static_cast<int>((seed >> 16) % 201) - 100);
        const auto d = platform::DecodeDate(premier + i);
        char ligne[96];
        std::snprintf(ligne, sizeof ligne, "%02d/%02d/%04d;%d.%02d;%d.%02d;%d.%02d;%d\n", d.day,
                      d.month, d.year, cours / 100, cours % 100, (cours + 50) / 100,
                      (cours + 50) % 100, (cours - 50) / 100, (cours - 50) % 100,
                      static_cast<int>(seed % 100000));
        lignes.emplace_back(ligne);
    }
    return lignes;
}

// One data folder and import file per line order, written once and removed at exit.
class Fixture {
public:
    explicit Fixture(Ordre ordre) {
        fs::create_directories(folder_.Path() / "historique");
        std::vector<std::string> lignes = Lignes(ordre == Ordre::Doublons ? kLignes / 2 : kLignes);
        if (ordre == Ordre::Doublons) {
            const std::size_t jours = lignes.size();
            for (std::size_t i = 0; i < jours; ++i)
                lignes.push_back(lignes[i]);
        }
        if (ordre == Ordre::Inverse)
            std::reverse(lignes.begin(), lignes.end());
        else if (ordre == Ordre::Melange || ordre == Ordre::Doublons)
            std::shuffle(lignes.begin(), lignes.end(), std::mt19937(2024));
        fichier_ = folder_.File("import.txt");
        std::ofstream out(fichier_, std::ios::binary);
        for (const std::string& ligne : lignes)
            out << ligne;
        if (!out)
            throw std::runtime_error("import.txt");
        out.close();
        corv_ = std::make_unique<TCorv>(folder_.Path().string());
        titre_.Code = "BENCH";
        modele_.Multi = false;
        modele_.Separateur = ';';
        modele_.NbChamps = 5;
        const std::uint8_t champs[5] = {ciDate, ciCours, ciHaut, ciBas, ciVolume};
        std::copy(std::begin(champs), std::end(champs), modele_.Champs);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    // The history the import merges into: none, or every other day of the file's range.
    void Prepare(bool moitie) {
        const std::string chemin = corv_->HistoFilePath(&titre_);
        std::error_code ignored;
        fs::remove(chemin, ignored);
        if (!moitie)
            return;
        std::ofstream out(chemin, std::ios::binary);
        out << "01/01/1970\n";
        const std::vector<std::string> lignes = Lignes(kLignes);
        for (std::size_t i = 0; i < lignes.size(); i += 2) {
            // The history file's own layout: date then whole cents.
            int jour = 0, mois = 0, an = 0;
            std::sscanf(lignes[i].c_str(), "%d/%d/%d", &jour, &mois, &an);
            char ligne[64];
            std::snprintf(ligne, sizeof ligne, "%02d/%02d/%04d;1000;1100;900;5;\n", jour, mois, an);
            out << ligne;
        }
    }

    ResultatImport Importe() { return ImportHistoriques(*corv_, &titre_, modele_, fichier_); }

private:
    const TempFolder folder_;
    std::string fichier_;
    Valeurs titre_;
    ModeleImport modele_;
    std::unique_ptr<TCorv> corv_;
};

Fixture& FixtureFor(Ordre ordre) {
    static std::map<Ordre, std::unique_ptr<Fixture>> fixtures;
    auto& slot = fixtures[ordre];
    if (!slot)
        slot = std::make_unique<Fixture>(ordre);
    return *slot;
}

// range(0): the order of the lines (see Ordre); range(1): 1 to merge into a half history.
void BM_ImportHistoriques(benchmark::State& state) {
    Fixture& f = FixtureFor(static_cast<Ordre>(state.range(0)));
    const bool moitie = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.Prepare(moitie);
        state.ResumeTiming();
        const ResultatImport resultat = f.Importe();
        if (!resultat.Ouvert || resultat.Refus || !resultat.Echecs.empty() ||
            resultat.Lues != kLignes) {
            state.SkipWithError("l'import a échoué");
            break;
        }
        benchmark::DoNotOptimize(resultat.Fusionnees);
    }
    state.SetItemsProcessed(state.iterations() * kLignes);
}

BENCHMARK(BM_ImportHistoriques)
    ->ArgNames({"ordre", "moitie"})
    ->Args({static_cast<int>(Ordre::Croissant), 0})
    ->Args({static_cast<int>(Ordre::Inverse), 0})
    ->Args({static_cast<int>(Ordre::Melange), 0})
    ->Args({static_cast<int>(Ordre::Doublons), 0})
    ->Args({static_cast<int>(Ordre::Melange), 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
