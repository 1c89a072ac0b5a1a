#include "dialogs/OptionsDialog.h"

#include "widgets/DBControls.h"
#include "widgets/MemTableModel.h"
#include "widgets/UiPrompts.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

TForm6* Form6 = nullptr;

namespace {

// The largest amount of a fee table whose cents still fit the document's 32-bit amounts.
constexpr double kMontantMax = 21474836.47;

// Euros of a fee table to the document's cents, truncated to the cent as the user typed it:
// 0,29 € is 29 cents although 0.29 × 100 falls just short of 29 in binary.
std::int32_t CentsOf(double euros) {
    return platform::Trunc32(std::round(euros * 1e6) / 1e4);
}

bool ReadAmount(const TCorv& portefeuille, const QLineEdit* champ, const char* quoi, float& valeur,
                QString& message) {
    try {
        valeur = portefeuille.TextToFloat(champ->text().toStdString(), 2);
        return true;
    } catch (const platform::ConversionError& erreur) {
        message =
            QString("%1 : %2").arg(QString::fromUtf8(quoi), QString::fromStdString(erreur.what()));
        return false;
    }
}

// Refuses an amount or a rate that the document could not hold or that makes no sense for a
// fee: negative, a rate above 100 %, an amount whose cents overflow.
QString CheckFeeCell(const std::string& champ, const platform::Value& valeur) {
    const auto* nombre = std::get_if<double>(&valeur);
    if (nombre == nullptr)
        return QString(); // an emptied cell reads as 0
    if (champ == "Seuil" || champ == "MntMin") {
        if (!(*nombre >= 0.0 && *nombre <= kMontantMax))
            return QString("le montant doit être compris entre 0 et 21 474 836,47 €.");
    } else if (champ == "Frais" || champ == "Tva") {
        if (!(*nombre >= 0.0 && *nombre <= 100.0))
            return QString("le taux doit être compris entre 0 et 100 %.");
    }
    return QString();
}

// Empties a fee table and fills it from a schedule of the document, in the schedule's order.
void FillTable(platform::MemTable& table, const ListeTranches& tranches, bool plVal) {
    const platform::ControlsDisabled off(table);
    table.EmptyTable();
    platform::Field seuil = table.FieldByName("Seuil");
    platform::Field frais = table.FieldByName("Frais");
    platform::Field tva = table.FieldByName("Tva");
    platform::Field mntMin = table.FieldByName("MntMin");
    platform::Field depassement = plVal ? table.FieldByName("PlVal") : platform::Field();
    for (const auto& tranche : tranches) {
        table.Append();
        seuil.SetAsFloat(tranche->Seuil * 0.01);
        frais.SetAsFloat(static_cast<double>(tranche->Frais) * 100.0);
        tva.SetAsFloat(static_cast<double>(tranche->Tva) * 100.0);
        mntMin.SetAsFloat(tranche->MntMin * 0.01);
        if (plVal)
            depassement.SetAsBoolean(tranche->PlVal);
        table.Post();
    }
    table.First();
}

// Reads a fee table back into a schedule, by ascending threshold: the order in which the fee
// computation looks for a trade's bracket. plVal < 0: the table's own PlVal field.
ListeTranches ReadTable(platform::MemTable& table, const char* index, int plVal) {
    table.SetIndexName(index);
    const int seuil = table.FindField("Seuil");
    const int frais = table.FindField("Frais");
    const int tva = table.FindField("Tva");
    const int mntMin = table.FindField("MntMin");
    const int champPlVal = table.FindField("PlVal");
    ListeTranches tranches;
    for (int ligne = 0; ligne < table.RecordCount(); ++ligne) {
        auto tranche = std::make_unique<TrancheFrais>();
        tranche->Seuil = CentsOf(table.NumberAt(ligne, seuil));
        tranche->Frais = static_cast<float>(table.NumberAt(ligne, frais) * 0.01);
        tranche->Tva = static_cast<float>(table.NumberAt(ligne, tva) * 0.01);
        tranche->MntMin = CentsOf(table.NumberAt(ligne, mntMin));
        tranche->PlVal = plVal < 0 ? table.NumberAt(ligne, champPlVal) != 0.0 : plVal != 0;
        tranches.push_back(std::move(tranche));
    }
    // The module's tables keep the order in which rows are put in.
    table.SetIndexName("");
    return tranches;
}

} // namespace

// ---- the dialog ----

TForm6::TForm6(QWidget* owner, TCorv* portefeuille, UiPrompts* prompts)
    : QDialog(owner), FPortefeuille(portefeuille), FPrompts(prompts) {
    if (FPrompts == nullptr) {
        FOwnPrompts = std::make_unique<QtPrompts>();
        FPrompts = FOwnPrompts.get();
    }
    setObjectName("Form6");
    setWindowTitle("Options");

    LibMon = new QLineEdit(this);
    LibMon->setObjectName("LibMon");
    LibMon->setMaxLength(10);
    Taux = new QLineEdit(this);
    Taux->setObjectName("Taux");
    Taux->setToolTip(QString("Taux de conversion par rapport à l'Euro"));
    auto* monnaie = new QFormLayout;
    monnaie->addRow(QString("Libellé monnaie locale :"), LibMon);
    monnaie->addRow(QString("Taux de conversion :"), Taux);

    // The fee schedules.
    TDatas& datas = TheDatas();
    DSFrais1 = MakeSource(datas.Frais1, true, true);
    DSFrais2 = MakeSource(datas.Frais2, true, true);
    DSFrSRD = MakeSource(datas.FrSRD, false, false);
    auto* frais = new QGroupBox(QString("Frais"), this);
    auto* grilles = new QVBoxLayout(frais);
    const auto addGrid = [&](const char* titre, const char* nom, MemTableModel* source,
                             const char* nomNavigateur, TDBNavigator*& navigateur) {
        grilles->addWidget(new QLabel(QString::fromUtf8(titre), frais));
        auto* grille = new TDBGrid(frais);
        grille->setObjectName(nom);
        grille->SetDataModel(source);
        grille->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        if (source->columnCount() > 4)
            grille->horizontalHeader()->setSectionResizeMode(4, QHeaderView::ResizeToContents);
        grille->setMinimumSize(500, 118);
        grilles->addWidget(grille, 1);
        navigateur = new TDBNavigator(frais);
        navigateur->setObjectName(nomNavigateur);
        navigateur->SetDataModel(source);
        navigateur->ConfirmDelete = [this] {
            return FPrompts->Message(this, "Confirmation", QString("Supprimer l'enregistrement ?"),
                                     QMessageBox::Question,
                                     QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
        };
        grilles->addWidget(navigateur);
        return grille;
    };
    DBFrais1 = addGrid("Frais1", "DBFrais1", DSFrais1, "DBNavigator1", DBNavigator1);
    DBFrais2 = addGrid("Frais2", "DBFrais2", DSFrais2, "DBNavigator2", DBNavigator2);
    DBGrid1 = addGrid("Frais S.R.D", "DBGrid1", DSFrSRD, "DBNavigator3", DBNavigator3);
    ChkSRD = new QCheckBox(QString("Ajouter Frais1 aux frais S.R.D"), frais);
    ChkSRD->setObjectName("ChkSRD");
    grilles->addWidget(ChkSRD);

    auto* miseAJour = new QGroupBox(QString("Mise à jour"), this);
    Maj = new QCheckBox(QString("Mise à jour des cours automatique"), miseAJour);
    Maj->setObjectName("Maj");
    Liste = new QComboBox(miseAJour);
    Liste->setObjectName("Liste");
    Duree = new QSpinBox(miseAJour);
    Duree->setObjectName("Duree");
    Duree->setRange(1, 120);
    Duree->setSingleStep(10);
    Duree->setEnabled(false);
    LabelDuree1 = new QLabel(QString("Rafraichissement tous les  "), miseAJour);
    LabelDuree2 = new QLabel(QString("minutes"), miseAJour);
    LabelDuree1->setEnabled(false);
    LabelDuree2->setEnabled(false);
    Proxy = new QCheckBox(QString("Utliser un proxy"), miseAJour);
    Proxy->setObjectName("Proxy");
    ProxyName = new QLineEdit(miseAJour);
    ProxyName->setObjectName("ProxyName");
    ProxyName->setEnabled(false);
    PortNum = new QLineEdit(miseAJour);
    PortNum->setObjectName("PortNum");
    PortNum->setEnabled(false);
    PortNum->setMaximumWidth(70);
    LabelProxyName = new QLabel(QString("Proxy"), miseAJour);
    LabelPortNum = new QLabel(QString("Port"), miseAJour);
    LabelProxyName->setEnabled(false);
    LabelPortNum->setEnabled(false);
    Type = new TRadioGroup(QString("Type"), miseAJour);
    Type->setObjectName("Type");
    Type->setToolTip(QString("Type de rafraichissement"));
    for (const char* item : {"Cours", "Cours, Intraday", "Cours, Intra., Hist."})
        Type->AddItem(QString::fromUtf8(item));

    auto* grille = new QGridLayout(miseAJour);
    grille->addWidget(Maj, 0, 0, 1, 3);
    grille->addWidget(Liste, 1, 0, 1, 3);
    grille->addWidget(LabelDuree1, 2, 0);
    grille->addWidget(Duree, 2, 1);
    grille->addWidget(LabelDuree2, 2, 2);
    grille->addWidget(Proxy, 3, 0, 1, 3);
    grille->addWidget(LabelProxyName, 4, 0);
    grille->addWidget(ProxyName, 4, 1, 1, 2);
    grille->addWidget(LabelPortNum, 5, 0);
    grille->addWidget(PortNum, 5, 1);
    grille->addWidget(Type, 6, 0, 1, 3);

    auto* couverture = new QGroupBox(QString("Couverture"), this);
    CouvC = new QLineEdit(couverture);
    CouvC->setObjectName("CouvC");
    CouvT = new QLineEdit(couverture);
    CouvT->setObjectName("CouvT");
    auto* coefs = new QFormLayout(couverture);
    coefs->addRow(QString("Coef. Cash"), CouvC);
    coefs->addRow(QString("Coef. Titres"), CouvT);

    Button1 = new QPushButton(QString("&Valider"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(QString("&Annuler"), this);
    Button2->setObjectName("Button2");
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Button1);
    boutons->addWidget(Button2);

    auto* gauche = new QVBoxLayout;
    gauche->addLayout(monnaie);
    gauche->addWidget(frais, 1);
    auto* droite = new QVBoxLayout;
    droite->addWidget(miseAJour);
    droite->addWidget(couverture);
    droite->addStretch(1);
    droite->addLayout(boutons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(gauche, 1);
    layout->addLayout(droite);

    // Tab order of the form: the navigators and the deferred-settlement grid come last.
    std::vector<QWidget*> ordre = {LibMon, Taux,      DBFrais1, DBFrais2, Maj,   Liste,   Duree,
                                   Proxy,  ProxyName, PortNum,  CouvC,    CouvT, Button1, Button2};
    for (TDBNavigator* navigateur : {DBNavigator1, DBNavigator2})
        for (int i = 0; i < TDBNavigator::kButtons; ++i)
            ordre.push_back(navigateur->ButtonAt(static_cast<TDBNavigator::Button>(i)));
    ordre.push_back(DBGrid1);
    for (int i = 0; i < TDBNavigator::kButtons; ++i)
        ordre.push_back(DBNavigator3->ButtonAt(static_cast<TDBNavigator::Button>(i)));
    ordre.push_back(ChkSRD);
    for (std::size_t i = 1; i < ordre.size(); ++i)
        QWidget::setTabOrder(ordre[i - 1], ordre[i]);

    connect(Maj, &QCheckBox::toggled, this, &TForm6::MajClick);
    connect(Proxy, &QCheckBox::toggled, this, &TForm6::ProxyClick);
    connect(Liste, &QComboBox::currentIndexChanged, this, &TForm6::ListeChange);
    connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

TForm6::~TForm6() = default;

MemTableModel* TForm6::MakeSource(platform::MemTable& table, bool plVal, bool autoEdit) {
    std::vector<MemTableColumn> colonnes = {
        {table.FindField("Seuil"), QString("Seuil"), {}, false},
        {table.FindField("Frais"), QString("Frais H.T"), {}, false},
        {table.FindField("Tva"), QString("Tva"), {}, false},
        {table.FindField("MntMin"), QString("MntMin"), {}, false},
    };
    if (plVal)
        colonnes.push_back(
            {table.FindField("PlVal"), QString("Sur Dépassement"), {"Vrai", "Faux"}, false});
    auto* source = new MemTableModel(table, std::move(colonnes), this);
    source->SetAutoEdit(autoEdit);
    source->SetValidator([&table](int champ, const platform::Value& valeur) {
        return CheckFeeCell(table.FieldDefAt(champ).Name, valeur);
    });
    connect(source, &MemTableModel::EditRefused, this, &TForm6::Refuse);
    return source;
}

void TForm6::FormCreate() {
    if (FPortefeuille == nullptr)
        return;
    // The quote-site list: a digit (the deepest request kind the site serves), then its name.
    std::vector<TQuoteSite> sites;
    ReadQuoteSites(FPortefeuille->Repertoire + "/servers.lst", sites);
    {
        const QSignalBlocker bloque(Liste);
        auto* modele = qobject_cast<QStandardItemModel*>(Liste->model());
        for (const TQuoteSite& site : sites) {
            Liste->addItem(QString::fromStdString(site.Nom));
            FTypes.push_back(site.Type);
            // Kept so that the sites after it keep their numbers, but no site to choose.
            if (!site.Valide && modele != nullptr)
                modele->item(Liste->count() - 1)->setEnabled(false);
        }
    }
    // Whether or not the list could be read, the schedules come from the document.
    LoadTables();
    ChkSRD->setChecked(FPortefeuille->AjoutFrais1SRD);
}

void TForm6::LoadTables() {
    TDatas& datas = TheDatas();
    FillTable(datas.Frais1, FPortefeuille->TranchesFrais1, true);
    FillTable(datas.Frais2, FPortefeuille->TranchesFrais2, true);
    FillTable(datas.FrSRD, FPortefeuille->TranchesSRD, false);
}

void TForm6::ListeChange() {
    const int choix = Liste->currentIndex();
    if (choix < 0)
        return;
    const int profondeur = static_cast<std::size_t>(choix) < FTypes.size()
                               ? FTypes[static_cast<std::size_t>(choix)]
                               : 0;
    Type->Clear();
    Type->AddItem("Cours");
    if (profondeur > 0)
        Type->AddItem("Cours, Intraday");
    if (profondeur > 1)
        Type->AddItem(QString("Cours, Intra., Hist."));
    Type->SetItemIndex(profondeur);
}

void TForm6::MajClick() {
    const bool actif = Maj->isChecked();
    Duree->setEnabled(actif);
    LabelDuree1->setEnabled(actif);
    LabelDuree2->setEnabled(actif);
}

void TForm6::ProxyClick() {
    const bool actif = Proxy->isChecked();
    ProxyName->setEnabled(actif);
    PortNum->setEnabled(actif);
    LabelProxyName->setEnabled(actif);
    LabelPortNum->setEnabled(actif);
}

bool TForm6::ReadNumbers(TOptionsNumbers& numbers, QString& message) const {
    if (FPortefeuille == nullptr)
        return false;
    const TCorv& doc = *FPortefeuille;
    if (!ReadAmount(doc, Taux, "Le taux de conversion", numbers.Taux, message))
        return false;
    const std::optional<std::int32_t> port =
        platform::ParseInt32(PortNum->text().toStdString(), platform::kCellInteger);
    const bool portLu = port && *port >= 0 && *port <= 65535;
    // While the proxy is off its fields are disabled: the port cannot be corrected there, and
    // is not needed.
    if (!portLu && Proxy->isChecked()) {
        message = QString("Le port du proxy « %1 » n'est pas un numéro de port valide.")
                      .arg(PortNum->text());
        return false;
    }
    numbers.Port = portLu ? port : std::nullopt;
    return ReadAmount(doc, CouvC, "Le coefficient de couverture cash", numbers.CouvC, message) &&
           ReadAmount(doc, CouvT, "Le coefficient de couverture titres", numbers.CouvT, message);
}

bool TForm6::CommitGrids() {
    for (TDBGrid* grille : {DBFrais1, DBFrais2, DBGrid1})
        if (!grille->CommitEditor())
            return false;
    for (MemTableModel* source : {DSFrais1, DSFrais2, DSFrSRD})
        source->Post();
    return true;
}

void TForm6::StoreTables() {
    TDatas& datas = TheDatas();
    const bool ajout = ChkSRD->isChecked();
    ListeTranches srd = ReadTable(datas.FrSRD, "Frais1Index1", ajout ? 1 : 0);
    ListeTranches frais1 = ReadTable(datas.Frais1, "Frais1Index1", -1);
    ListeTranches frais2 = ReadTable(datas.Frais2, "Frais2Index1", -1);
    FPortefeuille->ReplaceFrais(std::move(srd), std::move(frais1), std::move(frais2), ajout);
}

void TForm6::Button1Click() {
    if (FPortefeuille == nullptr)
        return;
    // A cell still being typed is written first; one that is refused keeps the dialog open.
    if (!CommitGrids())
        return;
    // Every number is checked before anything is written: a refusal leaves the document as
    // it was and the dialog open for a correction.
    TOptionsNumbers numbers;
    QString message;
    if (!ReadNumbers(numbers, message)) {
        Refuse(message);
        return;
    }
    StoreTables();
    FValide = true;
    close();
}

void TForm6::closeEvent(QCloseEvent* event) {
    if (FValide) {
        accept();
        event->accept();
        return;
    }
    QDialog::closeEvent(event);
}

void TForm6::Refuse(const QString& message) {
    FPrompts->Message(this, "Corvane", message, QMessageBox::Warning, QMessageBox::Ok);
}
