#include "dialogs/MarketPickerDialog.h"

#include "widgets/UiPrompts.h"

#include "platform/Sort.h"
#include "portfolio/Cv.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

// Sort key of the sorted lists: accents and case do not separate words, so "Énergie" sits
// among the E and "banques" beside "Banques".
QString Cle(const QString& texte) {
    const QString decompose = texte.normalized(QString::NormalizationForm_D);
    QString cle;
    cle.reserve(decompose.size());
    for (const QChar c : decompose) {
        if (c.category() != QChar::Mark_NonSpacing)
            cle += c;
    }
    return cle.toCaseFolded();
}

int CompareTexte(const QString& a, const QString& b) {
    const int c = Cle(a).compare(Cle(b));
    return c != 0 ? c : a.compare(b);
}

void AddSorted(QComboBox* liste, const QString& texte) {
    int position = 0;
    while (position < liste->count() && CompareTexte(liste->itemText(position), texte) <= 0)
        ++position;
    liste->insertItem(position, texte);
}

// The distinct sectors of a list, sorted. Each key is computed once: a list may hold
// thousands of lines, and a sector looked up among those already listed for each of them
// would cost the square of that.
QStringList Secteurs(const std::vector<LigneBourse>& lignes) {
    QSet<QString> vus;
    std::vector<std::pair<QString, QString>> secteurs; // key, sector
    for (const LigneBourse& l : lignes) {
        if (!vus.contains(l.Activite)) {
            vus.insert(l.Activite);
            secteurs.emplace_back(Cle(l.Activite), l.Activite);
        }
    }
    platform::QuickSort(secteurs, [](const auto& a, const auto& b) {
        const int cle = a.first.compare(b.first);
        return cle != 0 ? cle : a.second.compare(b.second);
    });
    QStringList tries;
    tries.reserve(static_cast<qsizetype>(secteurs.size()));
    for (const auto& secteur : secteurs)
        tries.append(secteur.second);
    return tries;
}

} // namespace

TBourse::TBourse(QWidget* owner, TCorv* portefeuille, UiPrompts& prompts)
    : QDialog(owner), FPortefeuille(portefeuille), FPrompts(prompts) {
    setObjectName("Bourse");
    setWindowTitle("Valeurs disponibles");

    CBBourse = new QComboBox(this);
    CBBourse->setObjectName("CBBourse");
    CBBourse->setMinimumContentsLength(18);
    CBActivite = new QComboBox(this);
    CBActivite->setObjectName("CBActivite");
    CBActivite->setMinimumContentsLength(18);

    auto* secteurs = new QGroupBox(QString("Secteurs d'activités"), this);
    RTous = new QRadioButton(QString("Tous"), secteurs);
    RTous->setObjectName("RTous");
    RSel = new QRadioButton(QString("Selection"), secteurs);
    RSel->setObjectName("RSel");
    RSel->setChecked(true);
    auto* choix = new QHBoxLayout(secteurs);
    choix->addWidget(RTous);
    choix->addWidget(RSel);

    LB = new QTreeWidget(this);
    LB->setObjectName("LB");
    LB->setColumnCount(3);
    LB->setHeaderLabels({QString("Libellé"), QString("Code Sicovam"), QString()});
    LB->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    LB->setColumnWidth(0, 185);
    LB->setColumnWidth(1, 95);
    LB->setColumnHidden(2, true);
    LB->setRootIsDecorated(false);
    LB->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LB->setSelectionMode(QAbstractItemView::SingleSelection);
    LB->setSelectionBehavior(QAbstractItemView::SelectRows);
    LB->setMinimumSize(310, 260);

    BtOk = new QPushButton(QString("&Valider"), this);
    BtOk->setObjectName("BtOk");
    BtOk->setDefault(true);
    BitBtn2 = new QPushButton(QString("&Annuler"), this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setAutoDefault(false);

    auto* haut = new QGridLayout;
    haut->addWidget(new QLabel(QString("Bourses"), this), 0, 0);
    haut->addWidget(CBBourse, 1, 0);
    haut->addWidget(new QLabel(QString("Secteurs d'activité"), this), 0, 1);
    haut->addWidget(CBActivite, 1, 1);
    haut->addWidget(secteurs, 2, 0, 1, 2);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(BtOk);
    boutons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(haut);
    layout->addWidget(LB, 1);
    layout->addLayout(boutons);

    setTabOrder(CBBourse, CBActivite);
    setTabOrder(CBActivite, BtOk);
    setTabOrder(BtOk, BitBtn2);
    setTabOrder(BitBtn2, LB);
    setTabOrder(LB, RTous);
    setTabOrder(RTous, RSel);

    connect(CBBourse, &QComboBox::currentIndexChanged, this, &TBourse::CBBourseChange);
    connect(CBActivite, &QComboBox::currentIndexChanged, this, &TBourse::CBActiviteChange);
    connect(BtOk, &QPushButton::clicked, this, &TBourse::BtOkClick);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(LB, &QTreeWidget::itemDoubleClicked, this, &TBourse::LBDblClick);
    connect(RTous, &QRadioButton::clicked, this, &TBourse::RTousClick);
    connect(RSel, &QRadioButton::clicked, this, &TBourse::RTousClick);

    FormCreate();
}

QString TBourse::Dossier() const {
    if (FPortefeuille == nullptr)
        return QString();
    return QString::fromStdString(FPortefeuille->Repertoire) + "/Bourses/";
}

QString TBourse::Marche() const {
    return CBBourse->currentText();
}

void TBourse::FormCreate() {
    if (FPortefeuille == nullptr)
        return;
    // Hidden files and folders that happen to end in ".bdx" are no markets.
    const QDir dossier(Dossier());
    const QStringList fichiers = dossier.entryList({"*.bdx"}, QDir::Files | QDir::CaseSensitive);
    {
        const QSignalBlocker bloque(CBBourse);
        for (const QString& fichier : fichiers)
            AddSorted(CBBourse, fichier.chopped(4));
        if (CBBourse->count() > 0)
            CBBourse->setCurrentIndex(0);
    }
    if (CBBourse->count() > 0)
        LoadMarket(CBBourse->itemText(0));
}

void TBourse::LoadMarket(const QString& marche) {
    {
        const QSignalBlocker bloque(CBActivite);
        CBActivite->clear();
    }
    LB->clear();
    FLignes.clear();
    if (FPortefeuille == nullptr)
        return;

    // The list is only read: a market file installed read-only is listed all the same.
    auto lignes = ReadMarketList(QFile::encodeName(Dossier() + marche + ".bdx").toStdString());
    if (!lignes) {
        FPrompts.Message(this, windowTitle(), "Ouverture du fichier impossible",
                         QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    FLignes = std::move(*lignes);

    {
        const QSignalBlocker bloque(CBActivite);
        CBActivite->addItems(Secteurs(FLignes));
        if (CBActivite->count() > 0)
            CBActivite->setCurrentIndex(0);
    }
    if (CBActivite->count() > 0)
        FillSector(CBActivite->itemText(0));
}

void TBourse::FillSector(const std::optional<QString>& secteur) {
    LB->setUpdatesEnabled(false);
    LB->clear();
    std::vector<const LigneBourse*> rangs;
    for (const LigneBourse& l : FLignes) {
        if (!secteur || l.Activite == *secteur)
            rangs.push_back(&l);
    }
    platform::QuickSort(rangs, [](const LigneBourse* a, const LigneBourse* b) {
        return CompareTexte(a->Libelle, b->Libelle);
    });
    for (const LigneBourse* l : rangs) {
        auto* rang = new QTreeWidgetItem(LB, {l->Libelle, l->Code, l->Activite});
        rang->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    LB->setUpdatesEnabled(true);
}

void TBourse::CBBourseChange() {
    if (CBBourse->currentIndex() < 0)
        return;
    CBActivite->setEnabled(true);
    RSel->setChecked(true);
    RTous->setChecked(false);
    LoadMarket(CBBourse->currentText());
}

void TBourse::CBActiviteChange() {
    if (CBActivite->currentIndex() >= 0)
        FillSector(CBActivite->currentText());
}

void TBourse::RTousClick() {
    if (RTous->isChecked()) {
        CBActivite->setEnabled(false);
        FillSector(std::nullopt);
        return;
    }
    CBActivite->setEnabled(true);
    if (CBActivite->count() == 0) {
        // A market without any sector has no row to show in one.
        LB->clear();
        return;
    }
    {
        const QSignalBlocker bloque(CBActivite);
        CBActivite->setCurrentIndex(0);
    }
    FillSector(CBActivite->itemText(0));
}

void TBourse::BtOkClick() {
    const QList<QTreeWidgetItem*> choisis = LB->selectedItems();
    if (choisis.isEmpty())
        return;
    const QTreeWidgetItem* rang = choisis.constFirst();
    FLibelle = rang->text(0);
    FCode = rang->text(1);
    FActiviteChoisie = CBActivite->isEnabled() ? CBActivite->currentText() : rang->text(2);
    FValide = true;
    FormClose();
}

void TBourse::LBDblClick() {
    BtOkClick();
}

void TBourse::FormClose() {
    FLignes.clear();
    done(FValide ? QDialog::Accepted : QDialog::Rejected);
}
