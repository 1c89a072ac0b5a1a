#include "dialogs/HistoryExportDialog.h"

#include "widgets/UiPrompts.h"

#include "portfolio/Cv.h"
#include "portfolio/HistoExport.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

const char* const kLibelles[] = {"Sicovam", "Date", "Cours", "Plus Haut", "Plus Bas", "Volume"};

} // namespace

TFExport::TFExport(QWidget* owner, Valeurs* titre, TCorv* portefeuille, UiPrompts& prompts)
    : QDialog(owner), FTitre(titre), FPortefeuille(portefeuille), FPrompts(prompts) {
    setObjectName("FExport");
    setWindowTitle("Exportation des historiques de la valeur");

    Libelle = new QLabel(this);
    Libelle->setObjectName("Libelle");
    Libelle->setAlignment(Qt::AlignCenter);
    Libelle->setStyleSheet("font-weight: bold;");
    auto* labelFichier = new QLabel("Nom du fichier", this);
    Fichier = new QLineEdit(this);
    Fichier->setObjectName("Fichier");
    Fichier->setMinimumWidth(300);
    labelFichier->setBuddy(Fichier);
    BitBtn1 = new QPushButton("...", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setToolTip("Parcourir");
    BitBtn1->setAutoDefault(false);

    auto* labelListe = new QLabel(QString("Libellé"), this);
    List = new QListWidget(this);
    List->setObjectName("List");
    // Rows are put in order by dragging them.
    List->setDragDropMode(QAbstractItemView::InternalMove);
    List->setDefaultDropAction(Qt::MoveAction);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int kind = ceSicovam; kind <= ceVolume; ++kind) {
        auto* item = new QListWidgetItem(QString::fromUtf8(kLibelles[kind]), List);
        item->setData(Qt::UserRole, kind);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                       Qt::ItemIsDragEnabled);
        item->setCheckState(Qt::Checked);
    }
    List->setFixedHeight(List->sizeHintForRow(0) * 6 + 2 * List->frameWidth() + 4);

    Sep = new QRadioButton(QString("Séparateur de champ"), this);
    Sep->setObjectName("Sep");
    Car = new QLineEdit(this);
    Car->setObjectName("Car");
    Car->setMaxLength(1);
    Car->setFixedWidth(Car->fontMetrics().horizontalAdvance("WW") + 12);
    // One printable ASCII character: the file is plain text, read back one byte per separator.
    Car->setValidator(new QRegularExpressionValidator(QRegularExpression("[\\x20-\\x7E]"), Car));
    Space = new QRadioButton(QString("Champs séparés par des tabulations"), this);
    Space->setObjectName("Space");
    Space->setChecked(true);
    auto* groupe = new QButtonGroup(this);
    groupe->addButton(Sep);
    groupe->addButton(Space);

    Button1 = new QPushButton(QString("&Valider"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(QString("&Annuler"), this);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);

    auto* grille = new QGridLayout;
    grille->addWidget(labelFichier, 0, 0, 1, 2);
    grille->addWidget(Fichier, 1, 0);
    grille->addWidget(BitBtn1, 1, 1);
    grille->setColumnStretch(0, 1);
    auto* separateurs = new QVBoxLayout;
    auto* ligneSep = new QHBoxLayout;
    ligneSep->addWidget(Sep);
    ligneSep->addWidget(Car);
    ligneSep->addStretch(1);
    separateurs->addLayout(ligneSep);
    separateurs->addWidget(Space);
    separateurs->addStretch(1);
    auto* champs = new QVBoxLayout;
    champs->addWidget(labelListe);
    champs->addWidget(List);
    auto* milieu = new QHBoxLayout;
    milieu->addLayout(champs);
    milieu->addSpacing(12);
    milieu->addLayout(separateurs, 1);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Button1);
    boutons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Libelle);
    layout->addLayout(grille);
    layout->addLayout(milieu);
    layout->addLayout(boutons);

    connect(BitBtn1, &QPushButton::clicked, this, &TFExport::BitBtn1Click);
    connect(Button1, &QPushButton::clicked, this, &TFExport::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

std::vector<int> TFExport::ChampsCoches() const {
    std::vector<int> champs;
    for (int row = 0; row < List->count(); ++row) {
        const QListWidgetItem* item = List->item(row);
        if (item->checkState() == Qt::Checked)
            champs.push_back(item->data(Qt::UserRole).toInt());
    }
    return champs;
}

char TFExport::Separateur() const {
    return SeparateurExport(Sep->isChecked(), Car->text().toStdString(), Space->isChecked());
}

void TFExport::BitBtn1Click() {
    const QString nom = FPrompts.SaveFileName(this, "Exporter l'historique",
                                              "Fichiers texte (*.txt);;Tous fichiers (*)", "txt",
                                              QString::fromStdString(FTitre->Libelle) + ".txt");
    if (!nom.isEmpty())
        Fichier->setText(QFileInfo(nom).absoluteFilePath());
}

void TFExport::Button1Click() {
    const ResultatExport resultat =
        ExportHistorique(*FPortefeuille, FTitre, Fichier->text().trimmed().toStdString(),
                         ChampsCoches(), Separateur());
    switch (resultat.Quoi) {
    case ResultatExport::Etat::FichierImpossible:
        FPrompts.Message(this, "Export", "Ouverture du fichier impossible", QMessageBox::Warning,
                         QMessageBox::Ok);
        return;
    case ResultatExport::Etat::HistoriqueIllisible:
        FPrompts.Message(this, "Export", QString::fromStdString(resultat.Raison),
                         QMessageBox::Warning, QMessageBox::Ok);
        return;
    case ResultatExport::Etat::Ecrit:
        break;
    }
    FValide = true;
    accept();
}

void TFExport::done(int result) {
    (void)result;
    QDialog::done(FValide ? QDialog::Accepted : QDialog::Rejected);
}
