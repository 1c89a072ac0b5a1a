#include "dialogs/AlarmListDialog.h"

#include "views/ViewText.h"
#include "widgets/UiPrompts.h"

#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/DateTime.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <string>

TAlarme* Alarme = nullptr;

namespace {

constexpr int kRoleAlarme = Qt::UserRole + 1;

bool Defined(const ElementAlarme& element) {
    // The kinds without a number count as defined, whether or not their text has been built.
    return element.Param != 0 || !AlarmTakesParameter(element.Type);
}

QString DateText(double date) {
    return QString::fromStdString(platform::DateToStrFull(date));
}

} // namespace

TAlarme::TAlarme(QWidget* owner, TCorv* portefeuille, Valeurs* titre, UiPrompts& prompts)
    : QDialog(owner), FTitre(titre), FPortefeuille(portefeuille), FPrompts(prompts) {
    setObjectName("Alarme");
    setWindowTitle(QString("Gestion des alarmes"));

    LibTitre = new QLabel(this);
    LibTitre->setObjectName("LibTitre");
    LibTitre->setAlignment(Qt::AlignCenter);
    LibTitre->setStyleSheet("font-weight: bold;");

    Liste = new QTreeWidget(this);
    Liste->setObjectName("Liste");
    Liste->setHeaderLabels({"Date", "Titre"});
    Liste->setRootIsDecorated(false);
    Liste->setSelectionMode(QAbstractItemView::SingleSelection);
    Liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste->header()->resizeSection(0, 110);
    Liste->setMinimumSize(380, 180);

    const auto bouton = [this](const char* name, const QString& texte, const QString& bulle) {
        auto* b = new QPushButton(texte, this);
        b->setObjectName(name);
        b->setToolTip(bulle);
        b->setAutoDefault(false);
        return b;
    };
    Ajouter = bouton("Ajouter", QString("&Ajouter"), QString("Ajouter une alarme"));
    Modifier = bouton("Modifier", QString("&Modifier"), QString("Modifier l'alarme courante"));
    Supprimer = bouton("Supprimer", QString("&Supprimer"), QString("Supprimer l'alarme courante"));
    Dupliquer = bouton("Dupliquer", QString("&Dupliquer"), QString("Dupliquer l'alarme courante"));
    Appliquer = bouton("Appliquer", QString("&Appliquer"), QString("Tester l'alarme courante"));
    Valider =
        bouton("Valider", QString("&Valider"), QString("Valider les modifications et quitter"));
    Annuler =
        bouton("Annuler", QString("&Annuler"), QString("Ignorer les modifications et quitter"));

    Lab1 = new QLabel(QString("Cours de la valeur :"), this);
    Lab1->setObjectName("Lab1");
    CoursV = new QLineEdit(this);
    CoursV->setObjectName("CoursV");
    CoursV->setMaximumWidth(110);
    Lab1->setBuddy(CoursV);
    // Nothing is selected yet, so there is nothing to test.
    Appliquer->setEnabled(false);
    Lab1->setEnabled(false);
    CoursV->setEnabled(false);

    Recap = new QGroupBox(this);
    Recap->setObjectName("Recap");
    auto* cadre = new QWidget(Recap);
    FPhrase = AlarmPhrase::Create(cadre);
    L1 = FPhrase.L1;
    L2 = FPhrase.L2;
    L3 = FPhrase.L3;
    L4 = FPhrase.L4;
    L2->setToolTip(QString("Cliquez pour définir le champ"));
    L4->setToolTip(QString("Cliquez pour définir le champ"));
    auto* recap = new QVBoxLayout(Recap);
    recap->addWidget(cadre);

    auto* colonne = new QVBoxLayout;
    for (QPushButton* b : {Ajouter, Modifier, Supprimer, Dupliquer})
        colonne->addWidget(b);
    colonne->addStretch(1);
    colonne->addWidget(Lab1);
    colonne->addWidget(CoursV);
    colonne->addWidget(Appliquer);
    auto* milieu = new QHBoxLayout;
    milieu->addWidget(Liste, 1);
    milieu->addLayout(colonne);
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(Valider);
    bas->addWidget(Annuler);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LibTitre);
    layout->addLayout(milieu, 1);
    layout->addWidget(Recap);
    layout->addLayout(bas);

    // FormCreate: the working copy, the price to test at, the rows.
    LibTitre->setText(QString::fromStdString(FTitre->Code + " - " + FTitre->Libelle));
    for (const auto& alarme : FTitre->Alarmes)
        FAlarmes.push_back(std::make_unique<SDetAlarme>(*alarme));
    CoursV->setText(QString::fromStdString(ChampMontantText(FTitre->Infos.Cours)));
    FillList();

    connect(Liste, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* row) { ListeChange(row); });
    // The selection, not the focus: the list takes the focus with a current row that nobody
    // chose, and the buttons must not act on it.
    connect(Liste, &QTreeWidget::itemSelectionChanged, this, [this] {
        QTreeWidgetItem* row = SelectedRow();
        ListeChange(row);
        if (row == nullptr && !FRemplissage)
            ShowRecap();
    });
    connect(Liste, &QTreeWidget::itemDoubleClicked, this,
            [this] { Guard(&TAlarme::ModifierClick); });
    connect(Ajouter, &QPushButton::clicked, this, [this] { Guard(&TAlarme::AjouterClick); });
    connect(Modifier, &QPushButton::clicked, this, [this] { Guard(&TAlarme::ModifierClick); });
    connect(Supprimer, &QPushButton::clicked, this, [this] { Guard(&TAlarme::SupprimerClick); });
    connect(Dupliquer, &QPushButton::clicked, this, [this] { Guard(&TAlarme::DupliquerClick); });
    connect(Appliquer, &QPushButton::clicked, this, [this] { Guard(&TAlarme::AppliquerClick); });
    connect(Valider, &QPushButton::clicked, this, [this] { Guard(&TAlarme::ValiderClick); });
    connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);
}

bool TAlarme::Complete(const SDetAlarme& alarme) {
    return Defined(alarme.Element1) && Defined(alarme.Element2);
}

bool TAlarme::MayBeActive(const SDetAlarme& alarme) {
    return Complete(alarme) && alarme.DateVal >= platform::Clock::Today();
}

QTreeWidgetItem* TAlarme::SelectedRow() const {
    const QList<QTreeWidgetItem*> rows = Liste->selectedItems();
    return rows.isEmpty() ? nullptr : rows.front();
}

SDetAlarme* TAlarme::RowAlarme(const QTreeWidgetItem* row) {
    if (row == nullptr)
        return nullptr;
    return reinterpret_cast<SDetAlarme*>(row->data(0, kRoleAlarme).value<quintptr>());
}

void TAlarme::Guard(void (TAlarme::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& erreur) {
        FPrompts.Message(this, "Corvane", QString::fromStdString(erreur.what()),
                         QMessageBox::Critical, QMessageBox::Ok);
    }
}

void TAlarme::FillList() {
    FRemplissage = true;
    Liste->clear();
    const double aujourdhui = platform::Clock::Today();
    for (const auto& alarme : FAlarmes) {
        if (alarme->DateVal < aujourdhui)
            alarme->Active = false;
        AddRow(alarme.get());
    }
    ShowRecap();
    FRemplissage = false;
}

QTreeWidgetItem* TAlarme::AddRow(SDetAlarme* alarme) {
    const bool remplissage = FRemplissage;
    FRemplissage = true;
    auto* row = new QTreeWidgetItem;
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setData(0, kRoleAlarme, QVariant::fromValue(reinterpret_cast<quintptr>(alarme)));
    Liste->addTopLevelItem(row);
    ShowRow(row);
    FRemplissage = remplissage;
    return row;
}

// The row's box, texts and colour from its record; buy alarms in red, sell alarms in green.
void TAlarme::ShowRow(QTreeWidgetItem* row) {
    const SDetAlarme* alarme = RowAlarme(row);
    if (alarme == nullptr)
        return;
    const QSignalBlocker bloque(Liste);
    row->setCheckState(0, alarme->Active ? Qt::Checked : Qt::Unchecked);
    row->setText(0, DateText(alarme->DateVal));
    row->setText(1, QString::fromStdString(alarme->Intitule));
    const QColor couleur = alarme->Signal ? QColor(255, 0, 0) : QColor(0, 0x80, 0);
    row->setForeground(0, couleur);
    row->setForeground(1, couleur);
}

void TAlarme::ShowRecap() {
    QTreeWidgetItem* row = SelectedRow();
    if (row == nullptr) {
        Recap->setTitle(QString());
        FPhrase.Clear();
        return;
    }
    SDetAlarme* alarme = RowAlarme(row);
    if (alarme == nullptr)
        return;
    Recap->setTitle(alarme->Active ? "Active " : "Non active ");
    FPhrase.Show(*FPortefeuille, *alarme);
}

// The test at a typed price is offered for the selected alarm when it is armed.
void TAlarme::SelectionState() {
    const SDetAlarme* alarme = RowAlarme(SelectedRow());
    const bool actif = alarme != nullptr && alarme->Active;
    Appliquer->setEnabled(actif);
    Lab1->setEnabled(actif);
    CoursV->setEnabled(actif);
}

void TAlarme::ListeChange(QTreeWidgetItem* row) {
    if (FRemplissage)
        return;
    Appliquer->setEnabled(false);
    Lab1->setEnabled(false);
    CoursV->setEnabled(false);
    SDetAlarme* alarme = RowAlarme(row);
    if (alarme == nullptr)
        return;
    if (row->checkState(0) == Qt::Checked) {
        alarme->Active = MayBeActive(*alarme);
        if (!alarme->Active) {
            FPrompts.Message(this, "Corvane",
                             QString("Cette alarme n'est pas complétement définie!"),
                             QMessageBox::Warning, QMessageBox::Ok);
            const QSignalBlocker bloque(Liste);
            row->setCheckState(0, Qt::Unchecked);
        }
    } else {
        alarme->Active = false;
    }
    SelectionState();
    ShowRecap();
}

void TAlarme::AjouterClick() {
    auto alarme = std::make_unique<SDetAlarme>();
    alarme->DateVal = platform::Clock::Today();
    TDetAlarme detail(this, FPortefeuille, alarme.get(), FPrompts);
    detail.LibTitre->setText(LibTitre->text());
    detail.Titre->setText(QString("ALARME N° ") + QString::number(Liste->topLevelItemCount() + 1));
    if (!FPrompts.RunDialog(detail))
        return;
    alarme->Active = MayBeActive(*alarme);
    SDetAlarme* ajout = alarme.get();
    FAlarmes.push_back(std::move(alarme));
    AddRow(ajout);
}

void TAlarme::ModifierClick() {
    QTreeWidgetItem* row = SelectedRow();
    SDetAlarme* alarme = RowAlarme(row);
    if (alarme == nullptr)
        return;
    TDetAlarme detail(this, FPortefeuille, alarme, FPrompts);
    detail.LibTitre->setText(LibTitre->text());
    detail.Titre->setText(QString::fromStdString(alarme->Intitule));
    if (!FPrompts.RunDialog(detail))
        return;
    alarme->Active = MayBeActive(*alarme);
    ShowRow(row);
    SelectionState();
    ShowRecap();
}

void TAlarme::SupprimerClick() {
    QTreeWidgetItem* row = SelectedRow();
    SDetAlarme* alarme = RowAlarme(row);
    if (alarme == nullptr)
        return;
    // The row goes first, so that the change of selection it causes never meets a freed
    // record.
    FRemplissage = true;
    delete row;
    FRemplissage = false;
    std::erase_if(FAlarmes, [alarme](const auto& a) { return a.get() == alarme; });
    SelectionState();
    ShowRecap();
}

void TAlarme::DupliquerClick() {
    const SDetAlarme* modele = RowAlarme(SelectedRow());
    if (modele == nullptr)
        return;
    auto copie = std::make_unique<SDetAlarme>(*modele);
    // Armed by the same rule as everywhere else, so that a copy of an expired alarm is not
    // shown armed.
    copie->Active = MayBeActive(*copie);
    SDetAlarme* ajout = copie.get();
    FAlarmes.push_back(std::move(copie));
    AddRow(ajout);
}

void TAlarme::AppliquerClick() {
    SDetAlarme* alarme = RowAlarme(SelectedRow());
    if (alarme == nullptr || !alarme->Active || FTitre == nullptr)
        return;
    const std::int32_t cours = FPortefeuille->TextToCents(CoursV->text().toStdString());
    if (FPortefeuille->TestAlarmeAuCours(FTitre, *alarme, cours)) {
        std::string phrase;
        FPortefeuille->AlarmeText(*alarme, phrase);
        FPrompts.Message(this, "Test Alarme", QString::fromStdString(phrase),
                         QMessageBox::Information, QMessageBox::Ok);
    } else {
        FPrompts.Message(this, "Test Alarme", QString("Alarme non déclenchée."),
                         QMessageBox::Warning, QMessageBox::Ok);
    }
}

void TAlarme::ValiderClick() {
    FValide = true;
    FRemplissage = true;
    Liste->clear();
    FPortefeuille->ReplaceAlarmes(FTitre, std::move(FAlarmes));
    FAlarmes.clear();
    done(QDialog::Accepted);
}

void TAlarme::done(int /*result*/) {
    // Closing by any way: the rows change no more records, and only Valider counts as OK.
    FRemplissage = true;
    QDialog::done(FValide ? QDialog::Accepted : QDialog::Rejected);
}
