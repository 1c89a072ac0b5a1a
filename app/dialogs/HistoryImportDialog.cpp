#include "dialogs/HistoryImportDialog.h"

#include "widgets/UiPrompts.h"

#include "platform/ConversionError.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"
#include "portfolio/Cv.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Nom(std::uint8_t kind) {
    return kind <= ciIgnore ? QString::fromUtf8(ChampsImport[kind].Nom) : QString();
}

} // namespace

// ---- the dialog ----

TFImport::TFImport(QWidget* owner, TCorv* portefeuille, Valeurs* titre, UiPrompts& prompts)
    : QDialog(owner), FTitre(titre), FPortefeuille(portefeuille), FPrompts(prompts) {
    setObjectName("FImport");
    setWindowTitle("Importation de fichiers historiques");

    Libelle = new QLabel(this);
    Libelle->setObjectName("Libelle");
    Libelle->setAlignment(Qt::AlignCenter);
    Libelle->setStyleSheet("font-weight: bold;");

    auto* labelFichier = new QLabel(QString("Fichier à importer"), this);
    Fichier = new QLineEdit(this);
    Fichier->setObjectName("Fichier");
    Fichier->setMinimumWidth(320);
    labelFichier->setBuddy(Fichier);
    Find = new QToolButton(this);
    Find->setObjectName("Find");
    Find->setText("...");
    Find->setToolTip("Parcourir");

    auto* labelFormat = new QLabel("Format du fichier", this);
    List = new QListWidget(this);
    List->setObjectName("List");
    List->setDragDropMode(QAbstractItemView::InternalMove);
    List->setDefaultDropAction(Qt::MoveAction);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setToolTip(QString("Faites glisser une ligne pour la déplacer, double-cliquez pour la "
                             "retirer"));
    // The title of the layout's one column.
    auto* labelListe = new QLabel(QString("Libellé"), this);
    labelListe->setObjectName("LibelleList");
    labelListe->setFrameStyle(QFrame::Panel | QFrame::Raised);
    labelListe->setBuddy(List);
    auto* labelDispo = new QLabel(QString("Champs autorisés"), this);
    Dispo = new QListWidget(this);
    Dispo->setObjectName("Dispo");
    Dispo->setSelectionMode(QAbstractItemView::SingleSelection);
    Transf = new QPushButton("<-", this);
    Transf->setObjectName("Transf");
    Transf->setAutoDefault(false);
    Out = new QPushButton("->", this);
    Out->setObjectName("Out");
    Out->setAutoDefault(false);
    Load = new QPushButton("&Charger", this);
    Load->setObjectName("Load");
    Load->setToolTip(QString("Charger un modèle d'exportation"));
    Load->setAutoDefault(false);
    Save = new QPushButton("&Sauver", this);
    Save->setObjectName("Save");
    Save->setToolTip("Sauvegarder la configuration actuelle");
    Save->setAutoDefault(false);

    TypeImp = new QGroupBox("Type d'import", this);
    TypeImp->setObjectName("TypeImp");
    TypeImp0 = new QRadioButton("Le fichier contient plusieurs valeurs", TypeImp);
    TypeImp1 = new QRadioButton("Le fichier ne contient que la valeur courante", TypeImp);
    FTypeImp = new QButtonGroup(this);
    FTypeImp->addButton(TypeImp0, 0);
    FTypeImp->addButton(TypeImp1, 1);
    TypeImp1->setChecked(true);
    auto* typeLayout = new QVBoxLayout(TypeImp);
    typeLayout->addWidget(TypeImp0);
    typeLayout->addWidget(TypeImp1);

    Sep = new QRadioButton(QString("Séparateur de champ"), this);
    Sep->setObjectName("Sep");
    Car = new QLineEdit(this);
    Car->setObjectName("Car");
    Car->setMaxLength(1);
    Car->setFixedWidth(Car->fontMetrics().horizontalAdvance("WW") + 12);
    Car->setValidator(new QRegularExpressionValidator(QRegularExpression("[\\x20-\\x7E]"), Car));
    Car->setEnabled(false);
    Space = new QRadioButton(QString("Champs séparés par des tabulations"), this);
    Space->setObjectName("Space");
    Space->setChecked(true);
    auto* separateurs = new QButtonGroup(this);
    separateurs->addButton(Sep);
    separateurs->addButton(Space);

    Go = new QPushButton("&Importer", this);
    Go->setObjectName("Go");
    Go->setDefault(true);
    Annule = new QPushButton("&Annuler", this);
    Annule->setObjectName("Annule");
    Annule->setAutoDefault(false);
    Comment = new QLabel(this);
    Comment->setObjectName("Comment");

    auto* fichier = new QGridLayout;
    fichier->addWidget(labelFichier, 0, 0, 1, 2);
    fichier->addWidget(Fichier, 1, 0);
    fichier->addWidget(Find, 1, 1);
    fichier->setColumnStretch(0, 1);
    auto* fleches = new QVBoxLayout;
    fleches->addStretch(1);
    fleches->addWidget(Transf);
    fleches->addWidget(Out);
    fleches->addStretch(1);
    auto* format = new QGridLayout;
    format->addWidget(labelFormat, 0, 0);
    format->addWidget(labelListe, 1, 0);
    format->addWidget(List, 2, 0);
    format->addLayout(fleches, 2, 1);
    format->addWidget(labelDispo, 0, 2);
    format->addWidget(Dispo, 1, 2, 2, 1);
    auto* modeles = new QHBoxLayout;
    modeles->addWidget(Load);
    modeles->addWidget(Save);
    modeles->addStretch(1);
    format->addLayout(modeles, 3, 0, 1, 3);
    auto* ligneSep = new QHBoxLayout;
    ligneSep->addWidget(Sep);
    ligneSep->addWidget(Car);
    ligneSep->addStretch(1);
    auto* options = new QVBoxLayout;
    options->addWidget(TypeImp);
    options->addLayout(ligneSep);
    options->addWidget(Space);
    options->addStretch(1);
    auto* milieu = new QHBoxLayout;
    milieu->addLayout(format, 1);
    milieu->addSpacing(10);
    milieu->addLayout(options);
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(Comment, 1);
    boutons->addWidget(Go);
    boutons->addWidget(Annule);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Libelle);
    layout->addLayout(fichier);
    layout->addLayout(milieu, 1);
    layout->addLayout(boutons);

    connect(Find, &QToolButton::clicked, this, &TFImport::FindClick);
    connect(Transf, &QPushButton::clicked, this, &TFImport::AddField);
    connect(Out, &QPushButton::clicked, this, &TFImport::RemoveField);
    connect(Dispo, &QListWidget::itemDoubleClicked, this, &TFImport::AddField);
    connect(List, &QListWidget::itemDoubleClicked, this, &TFImport::RemoveField);
    connect(Load, &QPushButton::clicked, this, &TFImport::LoadClick);
    connect(Save, &QPushButton::clicked, this, &TFImport::SaveClick);
    connect(TypeImp0, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            EnsureSicovam();
    });
    connect(Sep, &QRadioButton::toggled, this, &TFImport::SepClick);
    connect(Go, &QPushButton::clicked, this, &TFImport::GoClick);
    connect(Annule, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

void TFImport::FormCreate() {
    for (const ChampImport& champ : ChampsImport) {
        auto* item = new QListWidgetItem(QString::fromUtf8(champ.Nom), Dispo);
        item->setData(Qt::UserRole, champ.Id);
    }
    if (FTitre == nullptr) {
        SetTypeImpIndex(0);
        TypeImp->setEnabled(false);
    }
    Comment->clear();
}

void TFImport::Warn(const QString& caption, const QString& text, bool icon) {
    FPrompts.Message(this, caption, text, icon ? QMessageBox::Warning : QMessageBox::NoIcon,
                     QMessageBox::Ok);
}

int TFImport::TypeImpIndex() const {
    return FTypeImp->checkedId() == 1 ? 1 : 0;
}

void TFImport::SetTypeImpIndex(int index) {
    (index == 1 ? TypeImp1 : TypeImp0)->setChecked(true);
}

bool TFImport::HasField(std::uint8_t kind) const {
    for (int row = 0; row < List->count(); ++row)
        if (List->item(row)->data(Qt::UserRole).toInt() == kind)
            return true;
    return false;
}

void TFImport::AppendField(std::uint8_t kind) {
    auto* item = new QListWidgetItem(Nom(kind), List);
    item->setData(Qt::UserRole, kind);
    // Rows move by dragging; none may become a drop target holding another.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
}

void TFImport::EnsureSicovam() {
    if (TypeImpIndex() == 0 && !HasField(ciSicovam) && List->count() < kMaxChampsImport)
        AppendField(ciSicovam);
}

void TFImport::AddField() {
    const QListWidgetItem* choisi = Dispo->currentItem();
    if (choisi == nullptr || !choisi->isSelected()) {
        Warn("Import", QString("Aucun champ sélectionné"));
        return;
    }
    const auto kind = static_cast<std::uint8_t>(choisi->data(Qt::UserRole).toInt());
    if (kind != ciIgnore && HasField(kind)) {
        Warn("Import", QString("Champ déjà déclaré"));
        return;
    }
    if (List->count() >= kMaxChampsImport) {
        Warn("Import",
             QString("Le format ne peut pas compter plus de %1 champs").arg(kMaxChampsImport));
        return;
    }
    AppendField(kind);
}

void TFImport::RemoveField() {
    QListWidgetItem* choisi = List->currentItem();
    if (choisi == nullptr || !choisi->isSelected()) {
        Warn("Import", QString("Aucun champ sélectionné"));
        return;
    }
    if (choisi->data(Qt::UserRole).toInt() == ciSicovam && TypeImpIndex() == 0) {
        Warn("Import",
             QString("La suppression de ce champ n'est pas autorisé\nen mode multi-titre"));
        return;
    }
    delete choisi;
}

bool TFImport::CheckMandatoryFields() {
    if (!HasField(ciDate)) {
        Warn("Import", "Le champ Date est obligatoire");
        return false;
    }
    if (!HasField(ciCours)) {
        Warn("Import", "Le champ Cours est obligatoire");
        return false;
    }
    return true;
}

void TFImport::SepClick() {
    Car->setEnabled(Sep->isChecked());
}

ModeleFichier TFImport::ModeleCourant() const {
    ModeleFichier modele;
    modele.TypeImp = TypeImpIndex();
    modele.AvecSep = Sep->isChecked();
    const QString car = Car->text();
    modele.Car = !car.isEmpty() && platform::IsPrintableAscii(car[0].unicode())
                     ? static_cast<char>(car[0].unicode())
                     : ' ';
    for (int row = 0; row < List->count(); ++row)
        modele.Champs.push_back(
            static_cast<std::uint8_t>(List->item(row)->data(Qt::UserRole).toInt()));
    return modele;
}

ModeleImport TFImport::Modele() const {
    return LayoutOf(ModeleCourant());
}

void TFImport::AppliqueModele(const ModeleFichier& modele) {
    List->clear();
    for (std::uint8_t kind : modele.Champs)
        AppendField(kind);
    if (FTitre != nullptr)
        SetTypeImpIndex(modele.TypeImp);
    EnsureSicovam(); // also when the type was already "several securities"
    if (modele.AvecSep) {
        Sep->setChecked(true);
        Car->setEnabled(true);
        Car->setText(QString(QChar(modele.Car)));
    } else {
        Space->setChecked(true);
        Car->setEnabled(false);
        Car->setText(" ");
    }
}

void TFImport::FindClick() {
    const QString nom =
        FPrompts.OpenFileName(this, QString("Fichier à importer"), "Tous fichiers (*)");
    if (!nom.isEmpty())
        Fichier->setText(QFileInfo(nom).absoluteFilePath());
}

void TFImport::SaveClick() {
    if (!CheckMandatoryFields())
        return;
    const QString nom = FPrompts.SaveFileName(this, QString("Sauvegarder le modèle d'import"),
                                              "Modele Import Corvane (*.cvm)", "cvm", QString());
    if (nom.isEmpty())
        return;
    // A folder or a device at the path is not replaced by the model.
    if (platform::IsUnfitTarget(nom.toStdString())) {
        Warn(QString("Modèle d'import"), "Ouverture du fichier impossible");
        return;
    }
    platform::AtomicFileWriter fichier(nom.toStdString());
    if (fichier.IsOpen())
        fichier.Write(ModelLine(ModeleCourant()));
    if (!fichier.IsOpen() || !fichier.Commit())
        Warn(QString("Modèle d'import"), "Ouverture du fichier impossible");
}

void TFImport::LoadClick() {
    const QString nom = FPrompts.OpenFileName(this, QString("Charger un modèle d'import"),
                                              "Modele Import Corvane (*.cvm)");
    if (nom.isEmpty())
        return;
    // Checked before the reader opens it: a pipe would keep the open waiting for a writer.
    const std::string chemin = nom.toStdString();
    if (!platform::IsReadableRegularFile(chemin)) {
        Warn(QString("Modèle d'import"), "Ouverture du fichier impossible", false);
        return;
    }
    platform::LineReader lecteur(chemin, 511);
    if (!lecteur.IsOpen()) {
        Warn(QString("Modèle d'import"), "Ouverture du fichier impossible", false);
        return;
    }
    std::string ligne;
    ModeleFichier modele;
    if (lecteur.Read(ligne) != platform::LineReader::Status::Line ||
        !ReadModelLine(ligne, FTitre != nullptr, modele)) {
        Warn("IMPORT", "Format de fichier incorrect!");
        return;
    }
    AppliqueModele(modele);
}

void TFImport::GoClick() {
    if (!CheckMandatoryFields())
        return;
    const ModeleImport modele = Modele();
    const std::string chemin = Fichier->text().trimmed().toStdString();
    // A folder opens on this system and holds no lines: it would be reported as an import of
    // nothing, and the caller would take that for a completed import.
    if (!platform::IsReadableRegularFile(chemin)) {
        Warn(QString("Modèle d'import"), "Ouverture du fichier impossible");
        return;
    }
    int lignes = -1;
    QString raison;
    try {
        lignes = ImportFile(FTitre, modele, chemin);
    } catch (const std::exception& error) {
        raison = QString::fromStdString(error.what());
    }
    Comment->clear();
    if (lignes < 0) {
        Warn("Import", raison.isEmpty() ? QString("Format de fichier incorrect!")
                                        : QString("Format de fichier incorrect!\n") + raison);
        return;
    }
    Warn("Import", QString("%1 ligne(s) d'historique chargée(s)\n").arg(lignes), false);
    FImporte = true;
    accept();
}

void TFImport::done(int result) {
    (void)result;
    QDialog::done(FImporte ? QDialog::Accepted : QDialog::Rejected);
}

void TFImport::Progress(const QString& text, bool force) {
    Comment->setText(text);
    // A large file takes a while: let the label be seen now and then.
    if (force || ++FTicks % 500 == 0)
        Comment->repaint();
}

// ---- reading and merging ----

int TFImport::ImportFile(Valeurs* titre, const ModeleImport& modele, const std::string& path) {
    const ResultatImport resultat =
        ImportHistoriques(*FPortefeuille, titre, modele, path,
                          [this](const AvancementImport& avancement) { Avance(avancement); });
    if (!resultat.Ouvert)
        return -1;
    if (const auto& refus = resultat.Refus) {
        std::string raison;
        switch (refus->Motif) {
        case RefusImport::Cause::TropLongue:
            raison = "plus de " + platform::FormatInt(kLigneImportMax) + " caractères";
            break;
        case RefusImport::Cause::SansCode:
            raison = "le code de la valeur est absent";
            break;
        case RefusImport::Cause::Illisible:
        case RefusImport::Cause::CodeTropLong:
            raison = refus->Raison;
            break;
        }
        throw platform::ConversionError("Ligne " + platform::FormatInt(refus->Ligne) + " : " +
                                        raison);
    }
    Signale(resultat, titre);
    return resultat.Fusionnees;
}

void TFImport::Avance(const AvancementImport& avancement) {
    const QString code = QString::fromStdString(avancement.Code);
    switch (avancement.Quand) {
    case AvancementImport::Etape::Chargement:
        if (avancement.Compte == 0)
            Progress("Chargement du fichier", true);
        else
            Progress(
                QString("Chargement du fichier [%1 lignes chargée(s)]").arg(avancement.Compte));
        break;
    case AvancementImport::Etape::Traitement:
        Progress(
            QString("Traitement de la valeur %1 [%2 chargée(s)]").arg(code).arg(avancement.Compte),
            avancement.Compte == 0);
        break;
    case AvancementImport::Etape::Fin:
        Progress(QString("Fin de la valeur %1 [%2 chargée(s)]").arg(code).arg(avancement.Compte),
                 true);
        break;
    }
}

void TFImport::Signale(const ResultatImport& resultat, const Valeurs* titre) {
    const auto liste = [](const std::vector<std::string>& codes) {
        const std::size_t montres = std::min<std::size_t>(codes.size(), 30);
        QStringList textes;
        for (std::size_t i = 0; i < montres; ++i)
            textes << QString::fromStdString(codes[i]);
        QString texte = textes.join(", ");
        if (codes.size() > montres)
            texte += QString(", … (%1 en tout)").arg(codes.size());
        return texte;
    };
    const auto& inconnues = resultat.Inconnues;
    if (inconnues.size() == 1)
        Warn(
            "Import",
            QString("La valeur %1 est inexistante dans le portefeuille,elle ne sera pas chargée \n")
                .arg(QString::fromStdString(inconnues.front())),
            false);
    else if (inconnues.size() > 1)
        Warn("Import",
             QString("Ces valeurs sont inexistantes dans le portefeuille, elles ne seront pas "
                     "chargées :\n") +
                 liste(inconnues),
             false);
    if (!resultat.Autres.empty() && titre != nullptr)
        Warn("Import",
             QString("Les lignes des valeurs %1 ne concernent pas la valeur %2 : elles ne sont pas "
                     "chargées.")
                 .arg(liste(resultat.Autres), QString::fromStdString(titre->Code)),
             false);
    if (resultat.Echecs.empty())
        return;
    QStringList echecs;
    for (const EchecHistorique& echec : resultat.Echecs) {
        if (echec.Quand == EchecHistorique::Etape::Lecture)
            echecs << QString::fromStdString(echec.Raison);
        else
            echecs << QString("l'historique de la valeur %1 n'a pas pu être enregistré (%2)")
                          .arg(QString::fromStdString(echec.Code),
                               QString::fromStdString(echec.Chemin));
    }
    Warn("Import", QString("Import incomplet :\n") + echecs.join("\n"));
}
