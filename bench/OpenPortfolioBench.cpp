// Opening a portfolio of 2 000 securities and 1 000 000 trades in the main window, through
// its Open command as the user gives it, until the window has nothing left to do: the file
// read, the tree built and every event that this posted handled. The aim is under a second.

#include "widgets/UiPrompts.h"
#include "window/Main.h"
#include "window/ProgramSettings.h"

#include "platform/Settings.h"
#include "portfolio/Cv.h"

#include "tests/support/TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kTitres = 2000;
constexpr int kOperesParTitre = 500;

// Nothing may ask the user anything while measuring, but the name of the file to open.
class OpenOnly final : public UiPrompts {
public:
    explicit OpenOnly(QString fichier) : fichier_(std::move(fichier)) {}
    QMessageBox::StandardButton Message(QWidget*, const QString& title, const QString& text,
                                        QMessageBox::Icon, QMessageBox::StandardButtons) override {
        throw std::runtime_error((title + " : " + text).toStdString());
    }
    QString OpenFileName(QWidget*, const QString&, const QString&) override { return fichier_; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override {
        return {};
    }
    bool RunDialog(QDialog&) override { return false; }
    bool OpenLocalFile(const QString&) override { return false; }
    bool StartProgram(const QString&, const QStringList&) override { return false; }

private:
    QString fichier_;
};

void Remplit(TCorv& doc) {
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
        for (int o = 0; o < kOperesParTitre; ++o) {
            auto op = std::make_unique<Operes>();
            op->Date = 40000 + o * 7 + t % 7;
            op->Sens = o % 3 == 2 ? 'V' : 'A';
            op->Quantite = 10 + o % 40;
            op->Cours = 1500 + 7 * (o % 100) + t;
            op->Frais1 = 900 + o % 50;
            op->Frais2 = 12;
            op->FraisSRD = o % 4 == 0 ? 250 : 0;
            op->SRD = o % 4 == 0;
            v->Operes.push_back(std::move(op));
        }
        doc.Titres.push_back(std::move(v));
    }
}

// A data folder whose settings name it, and the portfolio file in it.
class Dossier {
public:
    Dossier() {
        setenv("XDG_CONFIG_HOME", folder_.File("config").c_str(), 1);
        const fs::path data = folder_.Path() / "data";
        fs::create_directories(data / "historique");
        fs::create_directories(data / "intraday");
        SetUpInstall(data.string(), true);
        TCorv source(data.string());
        Remplit(source);
        source.Fichier = folder_.File("gros.cvx");
        std::string raison;
        if (!source.SaveFile(&raison))
            throw std::runtime_error("gros.cvx : " + raison);
        fichier_ = source.Fichier;
    }
    Dossier(const Dossier&) = delete;
    Dossier& operator=(const Dossier&) = delete;

    const std::string& Fichier() const { return fichier_; }

private:
    const TempFolder folder_;
    std::string fichier_;
};

// Until the event queue is empty: a zero timer fires once the events posted before it are
// handled; a second round handles whatever those posted in turn.
void JusquAuRepos() {
    for (int tour = 0; tour < 2; ++tour) {
        bool vide = false;
        QTimer::singleShot(0, [&vide] { vide = true; });
        while (!vide)
            QApplication::processEvents(QEventLoop::AllEvents);
    }
}

void BM_OpenMillionTrades(benchmark::State& state) {
    const Dossier dossier;
    OpenOnly prompts(QString::fromStdString(dossier.Fichier()));
    std::size_t operes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TMainForm>(QStringList{"corvane"}, &prompts);
        form->resize(1280, 900);
        form->show();
        JusquAuRepos();
        state.ResumeTiming();
        form->Action("FileOpen")->trigger();
        JusquAuRepos();
        state.PauseTiming();
        const TCorv* doc = form->Portefeuille();
        if (doc == nullptr || doc->Titres.size() != kTitres) {
            state.SkipWithError("le portefeuille n'a pas été ouvert");
            break;
        }
        operes = 0;
        for (const auto& titre : doc->Titres)
            operes += titre->Operes.size();
        form.reset();
        state.ResumeTiming();
    }
    state.counters["operes"] = static_cast<double>(operes);
}
BENCHMARK(BM_OpenMillionTrades)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
