#include "dialogs/HistoryEditorDialog.h"

#include "dialogs/HistoryExportDialog.h"
#include "dialogs/HistoryImportDialog.h"
#include "dialogs/SplitDialog.h"
#include "views/ViewText.h"
#include "widgets/DBControls.h"
#include "widgets/MemTableModel.h"
#include "widgets/UiPrompts.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

int FieldOf(const platform::MemTable& table, const char* name) {
    const int field = table.FindField(name);
    if (field < 0)
        throw platform::MemTableError(std::string("Champ absent de l'historique : ") + name);
    return field;
}

} // namespace

bool HistoDivisionFits(const platform::MemTable& historique, int ratio,
                       platform::TDateTime jusqua) {
    const int date = FieldOf(historique, "Date");
    const int volume = FieldOf(historique, "Volume");
    const platform::TDateTime dernier = platform::DateOf(jusqua);
    for (int row = 0; row < historique.RecordCount(); ++row) {
        if (historique.IsNullAt(row, date) || historique.IsNullAt(row, volume))
            continue;
        if (historique.NumberAt(row, date) > dernier)
            break;
        const std::int64_t divise =
            platform::Mul64(static_cast<std::int32_t>(historique.NumberAt(row, volume)), ratio);
        if (divise > std::numeric_limits<std::int32_t>::max() ||
            divise < std::numeric_limits<std::int32_t>::min())
            return false;
    }
    return true;
}

int ApplyHistoDivision(platform::MemTable& historique, int ratio, platform::TDateTime jusqua) {
    if (ratio < TDivision::kRatioMin || !HistoDivisionFits(historique, ratio, jusqua))
        return 0;
    const int date = FieldOf(historique, "Date");
    const int prix[3] = {FieldOf(historique, "Cours"), FieldOf(historique, "Haut"),
                         FieldOf(historique, "Bas")};
    const int volume = FieldOf(historique, "Volume");
    const platform::TDateTime dernier = platform::DateOf(jusqua);
    historique.CheckBrowseMode();
    platform::ControlsDisabled calme(historique);
    int divisees = 0;
    // Rows are in date order and the split keeps every date: the rows to split are the first
    // ones, and editing them does not move them.
    for (int row = 0; row < historique.RecordCount(); ++row) {
        if (historique.IsNullAt(row, date))
            continue;
        if (historique.NumberAt(row, date) > dernier)
            break;
        historique.MoveTo(row);
        historique.Edit();
        // High and low follow the price: left alone, a split day's range would stand far
        // above its own close.
        for (int champ : prix) {
            if (historique.IsNullAt(row, champ))
                continue;
            const std::int32_t cents = EurosToCents(historique.NumberAt(row, champ)) / ratio;
            historique.Fields(champ).SetAsFloat(cents * 0.01);
        }
        if (!historique.IsNullAt(row, volume)) {
            const auto avant = static_cast<std::int32_t>(historique.NumberAt(row, volume));
            historique.Fields(volume).SetAsInteger(
                static_cast<std::int32_t>(platform::Mul64(avant, ratio)));
        }
        historique.Post();
        ++divisees;
    }
    return divisees;
}

TFHisto::TFHisto(QWidget* owner, bool* division, Valeurs* titre, TCorv* portefeuille,
                 UiPrompts& prompts)
    : QDialog(owner), FDivision(division), FTitre(titre), FPortefeuille(portefeuille),
      FPrompts(prompts) {
    // Loaded first: a history that cannot be read must not open an editor whose Valider
    // would write an empty table over it.
    if (FPortefeuille->TitreHisto != FTitre)
        FPortefeuille->LoadHistoFile(FTitre);

    setObjectName("FHisto");
    setWindowTitle("Saisie des historiques");
    platform::MemTable& table = TheDatas().Historique;

    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName("MainMenu");
    Fichiers = MainMenu->addMenu(QString("&Fichiers"));
    Fichiers->setToolTipsVisible(true);
    Importer = Fichiers->addAction(QString("&Importer"));
    Importer->setObjectName("Importer");
    Importer->setToolTip(QString("Importation de fichiers historiques"));
    Importer->setStatusTip(Importer->toolTip());
    Exporter = Fichiers->addAction(QString("&Exporter"));
    Exporter->setObjectName("Exporter");
    Exporter->setToolTip(QString("Exportation de fichiers historiques"));
    Exporter->setStatusTip(Exporter->toolTip());

    Libelle = new QLabel(QString::fromStdString(FTitre->Code + " - " + FTitre->Libelle), this);
    Libelle->setObjectName("Libelle");
    Libelle->setAlignment(Qt::AlignCenter);
    Libelle->setStyleSheet("font-weight: bold;");
    TypMnt = new QLabel(QString::fromStdString(TypMntText(*FPortefeuille)), this);
    TypMnt->setObjectName("TypMnt");
    BtDiv = new QPushButton("Division", this);
    BtDiv->setObjectName("BtDiv");
    BtDiv->setAutoDefault(false);

    // The table holds euros; the grid shows and takes the prices in the displayed currency.
    const double facteur = FPortefeuille->Facteur;
    std::vector<MemTableColumn> colonnes = {
        {FieldOf(table, "Date"), "Date", {}, false},
        {FieldOf(table, "Cours"), "Cours", {}, false, facteur, Qt::AlignHCenter},
        {FieldOf(table, "Haut"), "Haut", {}, false, facteur, Qt::AlignHCenter},
        {FieldOf(table, "Bas"), "Bas", {}, false, facteur, Qt::AlignHCenter},
        {FieldOf(table, "Volume"), "Volume", {}, false, 1.0, Qt::AlignHCenter},
    };
    DataSource1 = new MemTableModel(table, std::move(colonnes), this);
    DataSource1->setObjectName("DataSource1");
    DataSource1->SetValidator(
        [this](int champ, const platform::Value& valeur) { return CheckCell(champ, valeur); });
    DataSource1->SetRowValidator([this] { return CheckRow(); });
    connect(DataSource1, &MemTableModel::EditRefused, this, &TFHisto::Refuse);
    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName("DBGrid1");
    DBGrid1->SetDataModel(DataSource1);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    DBGrid1->setMinimumSize(460, 300);
    DBNav = new TDBNavigator(this);
    DBNav->setObjectName("DBNav");
    DBNav->SetDataModel(DataSource1);

    BtOk = new QPushButton(QString("&Valider"), this);
    BtOk->setObjectName("BtOk");
    BtOk->setAutoDefault(false);
    BtAnnul = new QPushButton(QString("A&nnuler"), this);
    BtAnnul->setObjectName("BtAnnul");
    BtAnnul->setAutoDefault(false);

    auto* haut = new QHBoxLayout;
    haut->addWidget(TypMnt, 1);
    haut->addWidget(BtDiv);
    auto* bas = new QHBoxLayout;
    bas->addWidget(DBNav, 1);
    bas->addWidget(BtOk);
    bas->addWidget(BtAnnul);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu);
    layout->addWidget(Libelle);
    layout->addLayout(haut);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bas);

    connect(BtDiv, &QPushButton::clicked, this, &TFHisto::BtDivClick);
    connect(BtOk, &QPushButton::clicked, this, &TFHisto::BtOkClick);
    connect(BtAnnul, &QPushButton::clicked, this, &TFHisto::BtAnnulClick);
    connect(Importer, &QAction::triggered, this, &TFHisto::ImporterClick);
    connect(Exporter, &QAction::triggered, this, &TFHisto::ExporterClick);
    resize(560, 460);
}

TFHisto::~TFHisto() = default;

QString TFHisto::CheckCell(int field, const platform::Value& value) const {
    const platform::MemTable& table = DataSource1->Table();
    const std::string& nom = table.FieldDefAt(field).Name;
    if (nom == "Date") {
        const auto* jour = std::get_if<double>(&value);
        if (jour == nullptr)
            return QString();
        // One row per day: the row being edited may keep its own date.
        const int propre = table.GetState() == platform::MemTable::State::Edit ? table.RecNo() : -1;
        for (int row = 0; row < table.RecordCount(); ++row)
            if (row != propre && !table.IsNullAt(row, field) && table.NumberAt(row, field) == *jour)
                return QString("cette date figure déjà dans l'historique");
        return QString();
    }
    double nombre = 0.0;
    if (const auto* d = std::get_if<double>(&value))
        nombre = *d;
    else if (const auto* i = std::get_if<std::int32_t>(&value))
        nombre = *i;
    if (nombre < 0.0)
        return QString("une valeur négative n'est pas admise");
    if (nom != "Volume" && nombre * 100.0 >= 2147483647.0)
        return QString("montant trop grand");
    return QString();
}

QString TFHisto::CheckRow() const {
    platform::MemTable& table = DataSource1->Table();
    if (table.Fields(FieldOf(table, "Date")).IsNull())
        return QString("La ligne n'a pas de date : indiquez-la, ou annulez la ligne.");
    return QString();
}

void TFHisto::Refuse(const QString& text) {
    FPrompts.Message(this, "Corvane", text, QMessageBox::Warning, QMessageBox::Ok);
}

bool TFHisto::FinishEdit() {
    if (!DBGrid1->CommitEditor())
        return false;
    DataSource1->Post();
    return !DataSource1->Editing();
}

void TFHisto::Reload() {
    try {
        FPortefeuille->LoadHistoFile(FTitre);
    } catch (const std::exception& error) {
        FPrompts.Message(this, "Corvane", QString::fromStdString(error.what()),
                         QMessageBox::Warning, QMessageBox::Ok);
    }
}

void TFHisto::BtDivClick() {
    if (FRatio != 0 || !FinishEdit())
        return;
    if (Division == nullptr)
        Division = new TDivision(nullptr); // the program makes it at start; kept for the run
    Division->Libelle->setText(Libelle->text());
    Division->FPrompts = &FPrompts;
    const bool valide = FPrompts.RunDialog(*Division);
    Division->FPrompts = nullptr; // the dialog outlives this editor
    if (!valide)
        return;
    const int ratio = Division->Ratio();
    if (ratio < TDivision::kRatioMin || !DivisionFits(ratio, Division->Jusqua()))
        return;
    ApplyHistoDivision(DataSource1->Table(), ratio, Division->Jusqua());
    // The trades follow one split only, with the dialog's values: a second split would
    // reach the history and not the trades.
    FRatio = ratio;
    FJusqua = platform::DateOf(Division->Jusqua());
    BtDiv->setEnabled(false);
    if (FDivision != nullptr)
        *FDivision = true;
}

bool TFHisto::DivisionFits(int ratio, platform::TDateTime jusqua) {
    // Every trade of the split's last day, whatever its time, is split with it.
    const double finDuJour =
        std::nextafter(platform::DateOf(jusqua) + 1.0, -std::numeric_limits<double>::infinity());
    if (!HistoDivisionFits(DataSource1->Table(), ratio, jusqua) ||
        !TCorv::DivisionFits(FTitre, ratio, finDuJour)) {
        Refuse(QString("La division par ") + QString::number(ratio) +
               QString(" donnerait une quantité ou un volume trop grand pour être enregistré : "
                       "rien n'a été divisé."));
        return false;
    }
    // The trades follow the history once the editor is validated: a split that the document
    // would refuse them is refused here, before the history is touched.
    if (const Refus refus = FPortefeuille->DivisionRefusee(FTitre, ratio, finDuJour)) {
        Refuse(QString::fromStdString(refus.Texte()));
        return false;
    }
    return true;
}

void TFHisto::BtOkClick() {
    if (!FinishEdit())
        return;
    const platform::MemTable& table = DataSource1->Table();
    const int date = table.FindField("Date");
    for (int row = 0; row < table.RecordCount(); ++row)
        if (table.IsNullAt(row, date)) {
            DataSource1->MoveToRow(DataSource1->ModelRow(row));
            FPrompts.Message(this, "Corvane",
                             QString("Une ligne de l'historique n'a pas de date : indiquez-la ou "
                                     "supprimez la ligne."),
                             QMessageBox::Warning, QMessageBox::Ok);
            return;
        }
    if (!SaveHistory())
        return;
    FValide = true;
    accept();
}

bool TFHisto::SaveHistory() {
    const QString chemin = QString::fromStdString(FPortefeuille->HistoFilePath(FTitre));
    platform::FileFingerprint remplacable = FPortefeuille->HistoFileSeen();
    for (;;) {
        switch (FPortefeuille->ReplaceHistoFile(remplacable)) {
        case TCorv::HistoEcriture::Ecrite:
            return true;
        case TCorv::HistoEcriture::Echec:
            FPrompts.Message(this, "Corvane",
                             QString("L'historique n'a pas pu être enregistré dans le fichier ") +
                                 chemin + QString(".\nLe fichier précédent est conservé."),
                             QMessageBox::Warning, QMessageBox::Ok);
            return false;
        case TCorv::HistoEcriture::ModifieeAilleurs:
            // The editor shows the whole history: saved, it replaces what the other program
            // wrote, which only the user can give up.
            if (FPrompts.Ask(this, "Corvane",
                             QString("Le fichier historique « %1 » a été modifié depuis que "
                                     "cet historique a été chargé (par une autre fenêtre de "
                                     "Corvane ou un autre programme).\nLe remplacer par "
                                     "l'historique affiché ?\n\nNon laisse le fichier tel "
                                     "qu'il est sur le disque ; Annuler recharge alors "
                                     "l'historique depuis le fichier.")
                                 .arg(chemin),
                             QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No) != QMessageBox::Yes)
                return false;
            break; // asked again should it change once more before the save
        }
    }
}

void TFHisto::BtAnnulClick() {
    reject();
}

void TFHisto::done(int result) {
    (void)result;
    if (!FClosed) {
        FClosed = true;
        if (!FValide) {
            DBGrid1->DiscardEditor();
            DataSource1->Cancel();
            Reload();
            FRatio = 0;
            if (FDivision != nullptr)
                *FDivision = false;
        }
    }
    QDialog::done(FValide ? QDialog::Accepted : QDialog::Rejected);
}

void TFHisto::ImporterClick() {
    if (!FinishEdit())
        return;
    TFImport import(this, FPortefeuille, FTitre, FPrompts);
    import.Libelle->setText(Libelle->text());
    if (!FPrompts.RunDialog(import))
        return;
    // The import started from the stored history and saved it: the table is reloaded from
    // the file, and a split made here before is no longer in it.
    Reload();
    FRatio = 0;
    FJusqua = 0.0;
    BtDiv->setEnabled(true);
    if (FDivision != nullptr)
        *FDivision = false;
}

void TFHisto::ExporterClick() {
    if (!FinishEdit())
        return;
    TFExport exporte(this, FTitre, FPortefeuille, FPrompts);
    exporte.Libelle->setText(Libelle->text());
    FPrompts.RunDialog(exporte);
}
