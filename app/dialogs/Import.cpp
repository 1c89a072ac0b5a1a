#include "Import.h"

#include "../UiPrompts.h"

#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/MemTable.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

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
#include <cmath>
#include <limits>

const ChampImport ChampsImport[7] = {
    {ciSicovam, "Sicovam"}, {ciDate, "Date"},     {ciCours, "Cours"},   {ciHaut, "+Haut"},
    {ciBas, "+Bas"},        {ciVolume, "Volume"}, {ciIgnore, "Ignoré"},
};

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

QString Nom(std::uint8_t kind) {
    return kind <= ciIgnore ? u(ChampsImport[kind].Nom) : QString();
}

bool Imprimable(char c) {
    return c >= 0x20 && c < 0x7F;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A field's text in a message: short, and visible even when empty.
std::string Cite(std::string_view field) {
    std::string texte(field.substr(0, 40));
    if (field.size() > 40)
        texte += "...";
    return "\xC2\xAB " + texte + " \xC2\xBB";
}

double LitPrix(std::string_view field, const char* nom) {
    double valeur = 0.0;
    if (!platform::ScanDouble(field, valeur))
        throw platform::ConversionError(std::string(nom) + " : " + Cite(field) +
                                        " n'est pas un nombre");
    if (!std::isfinite(valeur) || valeur < 0.0)
        throw platform::ConversionError(std::string(nom) + " : " + Cite(field) +
                                        " n'est pas un prix correct");
    // The history keeps whole cents in 32 bits.
    if (valeur * 100.0 >= 2147483647.0)
        throw platform::ConversionError(std::string(nom) + " : " + Cite(field) + " est trop grand");
    return valeur;
}

std::int32_t LitVolume(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t'))
        ++i;
    bool negatif = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        negatif = field[i++] == '-';
    std::int64_t valeur = 0;
    bool chiffres = false;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        chiffres = true;
        valeur = valeur * 10 + (field[i] - '0');
        if (valeur > std::numeric_limits<std::int32_t>::max())
            throw platform::ConversionError("Volume : " + Cite(field) + " est trop grand");
    }
    if (negatif && chiffres && valeur != 0)
        throw platform::ConversionError("Volume : " + Cite(field) + " est négatif");
    return static_cast<std::int32_t>(valeur);
}

// A price of the file, in the displayed currency, back to the table's euros. Outside euros
// the amount is rounded to the cent, so that a file exported in that currency imports back
// into the same cents.
double VersEuros(double prix, float facteur) {
    if (facteur == 1.0f || !(facteur > 0.0f))
        return prix;
    return std::nearbyint(prix / facteur * 100.0) / 100.0;
}

} // namespace

// ---- model files ----

std::string ModelLine(const ModeleFichier& modele) {
    std::string ligne;
    ligne += modele.TypeImp == 1 ? '1' : '0';
    ligne += modele.AvecSep ? '1' : '0';
    ligne += Imprimable(modele.Car) ? modele.Car : ' ';
    ligne += platform::FormatInt(static_cast<std::int64_t>(modele.Champs.size()));
    ligne += ' ';
    for (std::uint8_t kind : modele.Champs)
        ligne += static_cast<char>('0' + std::min<int>(kind, ciIgnore));
    ligne += '\n';
    return ligne;
}

bool ReadModelLine(std::string_view line, bool avecTitre, ModeleFichier& modele) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    if (line.size() < 5)
        return false;
    if ((line[0] != '0' && line[0] != '1') || (line[1] != '0' && line[1] != '1'))
        return false;
    ModeleFichier lu;
    lu.TypeImp = line[0] - '0';
    if (lu.TypeImp == 1 && !avecTitre)
        return false; // "the current security only" means nothing without one
    lu.AvecSep = line[1] == '1';
    if (!Imprimable(line[2]))
        return false;
    lu.Car = line[2];
    const std::size_t blanc = line.find(' ', 3);
    if (blanc == std::string_view::npos || blanc == 3 || blanc - 3 > 2)
        return false;
    int nombre = 0;
    for (std::size_t i = 3; i < blanc; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
        nombre = nombre * 10 + (line[i] - '0');
    }
    const std::string_view chiffres = line.substr(blanc + 1);
    if (nombre > kMaxChampsImport || chiffres.size() != static_cast<std::size_t>(nombre))
        return false;
    std::array<bool, 7> vu{};
    for (char c : chiffres) {
        if (c < '0' || c > '0' + ciIgnore)
            return false;
        const auto kind = static_cast<std::uint8_t>(c - '0');
        if (kind != ciIgnore && vu[kind])
            return false;
        vu[kind] = true;
        lu.Champs.push_back(kind);
    }
    modele = std::move(lu);
    return true;
}

// ---- reading a line ----

LigneImport CutImportLine(std::string_view line, const ModeleImport& modele) {
    LigneImport ligne;
    const char sep = modele.Separateur;
    const int nombre = std::clamp(modele.NbChamps, 0, kMaxChampsImport);
    std::size_t pos = 0;
    bool fin = false;
    for (int i = 0; i < nombre; ++i) {
        const std::uint8_t kind = modele.Champs[i];
        std::string_view field;
        bool present = true;
        if (sep == ' ') {
            while (pos < line.size() && line[pos] == ' ')
                ++pos;
            if (pos >= line.size()) {
                present = false;
            } else {
                const std::size_t end = line.find(' ', pos);
                field = line.substr(pos, end == std::string_view::npos ? end : end - pos);
                pos = end == std::string_view::npos ? line.size() : end;
            }
        } else if (fin) {
            present = false;
        } else {
            const std::size_t end = line.find(sep, pos);
            if (end == std::string_view::npos) {
                field = line.substr(pos);
                fin = true;
            } else {
                field = line.substr(pos, end - pos);
                pos = end + 1;
            }
        }
        if (!present) {
            if (kind == ciIgnore)
                continue;
            throw platform::ConversionError("il manque des champs (" + platform::FormatInt(nombre) +
                                            " attendus)");
        }
        switch (kind) {
        case ciSicovam:
            ligne.Sicovam = std::string(TrimBlanks(field));
            break;
        case ciDate:
            if (!platform::TryStrToDate(field, ligne.Date))
                throw platform::ConversionError("Date : " + Cite(field) +
                                                " n'est pas une date correcte");
            ligne.Date = platform::DateOf(ligne.Date);
            break;
        case ciCours:
        case ciHaut:
        case ciBas:
            ligne.Prix[kind - ciCours] = LitPrix(field, ChampsImport[kind].Nom);
            break;
        case ciVolume:
            ligne.Volume = LitVolume(field);
            break;
        default:
            continue;
        }
        ligne.Rempli[kind] = true;
    }
    return ligne;
}

// ---- the dialog ----

TFImport::TFImport(QWidget* owner, TCorv* portefeuille, Valeurs* titre, UiPrompts& prompts)
    : QDialog(owner), FTitre(titre), FPortefeuille(portefeuille), FPrompts(prompts) {
    setObjectName("FImport");
    setWindowTitle("Importation de fichiers historiques");

    Libelle = new QLabel(this);
    Libelle->setObjectName("Libelle");
    Libelle->setAlignment(Qt::AlignCenter);
    Libelle->setStyleSheet("font-weight: bold;");

    auto* labelFichier = new QLabel(u("Fichier à importer"), this);
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
    List->setToolTip(u("Faites glisser une ligne pour la déplacer, double-cliquez pour la "
                       "retirer"));
    // The title of the layout's one column.
    auto* labelListe = new QLabel(u("Libellé"), this);
    labelListe->setObjectName("LibelleList");
    labelListe->setFrameStyle(QFrame::Panel | QFrame::Raised);
    labelListe->setBuddy(List);
    auto* labelDispo = new QLabel(u("Champs autorisés"), this);
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
    Load->setToolTip(u("Charger un modèle d'exportation"));
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

    Sep = new QRadioButton(u("Séparateur de champ"), this);
    Sep->setObjectName("Sep");
    Car = new QLineEdit(this);
    Car->setObjectName("Car");
    Car->setMaxLength(1);
    Car->setFixedWidth(Car->fontMetrics().horizontalAdvance("WW") + 12);
    Car->setValidator(new QRegularExpressionValidator(QRegularExpression("[\\x20-\\x7E]"), Car));
    Car->setEnabled(false);
    Space = new QRadioButton(u("Champs séparés par des tabulations"), this);
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
        auto* item = new QListWidgetItem(u(champ.Nom), Dispo);
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
        Warn("Import", u("Aucun champ sélectionné"));
        return;
    }
    const auto kind = static_cast<std::uint8_t>(choisi->data(Qt::UserRole).toInt());
    if (kind != ciIgnore && HasField(kind)) {
        Warn("Import", u("Champ déjà déclaré"));
        return;
    }
    if (List->count() >= kMaxChampsImport) {
        Warn("Import", u("Le format ne peut pas compter plus de %1 champs").arg(kMaxChampsImport));
        return;
    }
    AppendField(kind);
}

void TFImport::RemoveField() {
    QListWidgetItem* choisi = List->currentItem();
    if (choisi == nullptr || !choisi->isSelected()) {
        Warn("Import", u("Aucun champ sélectionné"));
        return;
    }
    if (choisi->data(Qt::UserRole).toInt() == ciSicovam && TypeImpIndex() == 0) {
        Warn("Import", u("La suppression de ce champ n'est pas autorisé\nen mode multi-titre"));
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
    modele.Car =
        !car.isEmpty() && Imprimable(static_cast<char>(car[0].unicode())) && car[0].unicode() < 0x80
            ? static_cast<char>(car[0].unicode())
            : ' ';
    for (int row = 0; row < List->count(); ++row)
        modele.Champs.push_back(
            static_cast<std::uint8_t>(List->item(row)->data(Qt::UserRole).toInt()));
    return modele;
}

ModeleImport TFImport::Modele() const {
    const ModeleFichier courant = ModeleCourant();
    ModeleImport modele;
    modele.Multi = courant.TypeImp == 0;
    modele.Separateur = courant.AvecSep ? courant.Car : '\t';
    modele.NbChamps =
        static_cast<std::int32_t>(std::min<std::size_t>(courant.Champs.size(), kMaxChampsImport));
    for (int i = 0; i < modele.NbChamps; ++i)
        modele.Champs[i] = courant.Champs[static_cast<std::size_t>(i)];
    return modele;
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
    const QString nom = FPrompts.OpenFileName(this, u("Fichier à importer"), "Tous fichiers (*)");
    if (!nom.isEmpty())
        Fichier->setText(QFileInfo(nom).absoluteFilePath());
}

void TFImport::SaveClick() {
    if (!CheckMandatoryFields())
        return;
    const QString nom = FPrompts.SaveFileName(this, u("Sauvegarder le modèle d'import"),
                                              "Modele Import Corvane (*.cvm)", "cvm", QString());
    if (nom.isEmpty())
        return;
    // A folder or a device at the path is not replaced by the model.
    if (platform::IsUnfitTarget(nom.toStdString())) {
        Warn(u("Modèle d'import"), "Ouverture du fichier impossible");
        return;
    }
    platform::AtomicFileWriter fichier(nom.toStdString());
    if (fichier.IsOpen())
        fichier.Write(ModelLine(ModeleCourant()));
    if (!fichier.IsOpen() || !fichier.Commit())
        Warn(u("Modèle d'import"), "Ouverture du fichier impossible");
}

void TFImport::LoadClick() {
    const QString nom = FPrompts.OpenFileName(this, u("Charger un modèle d'import"),
                                              "Modele Import Corvane (*.cvm)");
    if (nom.isEmpty())
        return;
    // Checked before the reader opens it: a pipe would keep the open waiting for a writer.
    const std::string chemin = nom.toStdString();
    if (!platform::IsReadableRegularFile(chemin)) {
        Warn(u("Modèle d'import"), "Ouverture du fichier impossible", false);
        return;
    }
    platform::LineReader lecteur(chemin, 511);
    if (!lecteur.IsOpen()) {
        Warn(u("Modèle d'import"), "Ouverture du fichier impossible", false);
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
        Warn(u("Modèle d'import"), "Ouverture du fichier impossible");
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
        Warn("Import", raison.isEmpty() ? u("Format de fichier incorrect!")
                                        : u("Format de fichier incorrect!\n") + raison);
        return;
    }
    Warn("Import", u("%1 ligne(s) d'historique chargée(s)\n").arg(lignes), false);
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
    const bool parCode = titre == nullptr || modele.Multi;
    const int lues = ReadFile(modele, path, parCode);
    if (lues < 0)
        return -1;
    return Merge(titre, modele);
}

int TFImport::ReadFile(const ModeleImport& modele, const std::string& path, bool parCode) {
    Progress("Chargement du fichier", true);
    platform::MemTable& staging = TheDatas().LoadHisto;
    staging.CheckBrowseMode();
    staging.EmptyTable();
    platform::LineReader lecteur(path, kLigneImportMax);
    if (!lecteur.IsOpen())
        return -1;
    const int code = staging.FindField("Sicovam");
    const int date = staging.FindField("Date");
    const int prix[3] = {staging.FindField("Cours"), staging.FindField("Haut"),
                         staging.FindField("Bas")};
    const int volume = staging.FindField("Volume");
    const float facteur = FPortefeuille->Facteur;
    platform::ControlsDisabled calme(staging);
    std::string ligne;
    int numero = 0;
    int chargees = 0;
    const auto refuse = [&](const std::string& raison) {
        // Nothing of a file with a bad line is kept: the histories are merged only from a
        // file read to its end.
        staging.EmptyTable();
        throw platform::ConversionError("Ligne " + platform::FormatInt(numero) + " : " + raison);
    };
    while (true) {
        const auto etat = lecteur.Read(ligne);
        if (etat == platform::LineReader::Status::End)
            break;
        ++numero;
        if (etat == platform::LineReader::Status::TooLong)
            refuse("plus de " + platform::FormatInt(kLigneImportMax) + " caractères");
        if (TrimBlanks(ligne).empty())
            continue; // a blank line, as editors leave at the end
        LigneImport lu;
        try {
            lu = CutImportLine(ligne, modele);
        } catch (const platform::ConversionError& error) {
            refuse(error.what());
        }
        if (parCode && lu.Sicovam.empty())
            refuse("le code de la valeur est absent");
        ++chargees;
        Progress(u("Chargement du fichier [%1 lignes chargée(s)]").arg(chargees));
        staging.Append();
        staging.Fields(code).SetAsString(lu.Sicovam);
        staging.Fields(date).SetAsDateTime(lu.Date);
        for (int i = 0; i < 3; ++i)
            if (lu.Rempli[ciCours + i])
                staging.Fields(prix[i]).SetAsFloat(VersEuros(lu.Prix[i], facteur));
        if (lu.Rempli[ciVolume])
            staging.Fields(volume).SetAsInteger(lu.Volume);
        staging.Post();
    }
    return chargees;
}

int TFImport::Merge(Valeurs* titre, const ModeleImport& modele) {
    platform::MemTable& staging = TheDatas().LoadHisto;
    platform::MemTable& histo = TheDatas().Historique;
    if (staging.IsEmpty())
        return 0;
    const int sCode = staging.FindField("Sicovam");
    const int sDate = staging.FindField("Date");
    const int hDate = histo.FindField("Date");
    // Cours, Haut, Bas, Volume in both tables.
    const char* const valeurs[4] = {"Cours", "Haut", "Bas", "Volume"};
    int sChamp[4];
    int hChamp[4];
    for (int i = 0; i < 4; ++i) {
        sChamp[i] = staging.FindField(valeurs[i]);
        hChamp[i] = histo.FindField(valeurs[i]);
    }
    const bool parCode = titre == nullptr || modele.Multi;

    QStringList inconnues; // codes that no security carries
    QStringList autres;    // other codes of a several-securities file read for one security
    QStringList echecs;    // histories that could not be read or written
    int total = 0;
    int compte = 0;
    bool premier = true;
    std::string courant;
    Valeurs* cible = nullptr;

    const auto termine = [&] {
        if (cible == nullptr)
            return;
        Progress(u("Fin de la valeur %1 [%2 chargée(s)]")
                     .arg(QString::fromStdString(cible->Code))
                     .arg(compte),
                 true);
        if (FPortefeuille->SaveHistoFile()) {
            total += compte;
        } else {
            echecs << u("l'historique de la valeur %1 n'a pas pu être enregistré (%2)")
                          .arg(QString::fromStdString(cible->Code),
                               QString::fromStdString(FPortefeuille->HistoFilePath(cible)));
            // The table goes back to what the file holds.
            try {
                FPortefeuille->LoadHistoFile(cible);
            } catch (const std::exception&) {
                FPortefeuille->LoadHistoFile(nullptr);
            }
        }
        compte = 0;
        cible = nullptr;
    };
    const auto commence = [&](Valeurs* titreLigne) {
        cible = titreLigne;
        if (cible == nullptr)
            return;
        try {
            FPortefeuille->LoadHistoFile(cible);
        } catch (const std::exception& error) {
            // A stored history that does not read is left as it is, not replaced by the
            // imported days alone.
            echecs << QString::fromStdString(error.what());
            cible = nullptr;
            return;
        }
        Progress(
            u("Traitement de la valeur %1 [0 chargée(s)]").arg(QString::fromStdString(cible->Code)),
            true);
    };

    platform::ControlsDisabled calmeH(histo);
    staging.CheckBrowseMode();
    for (int row = 0; row < staging.RecordCount(); ++row) {
        const std::string code = parCode ? staging.TextAt(row, sCode) : std::string();
        if (premier || code != courant) {
            termine();
            premier = false;
            courant = code;
            Valeurs* titreLigne = nullptr;
            if (!parCode)
                titreLigne = titre;
            else if (titre != nullptr)
                titreLigne = code == titre->Code ? titre : nullptr;
            else
                titreLigne = FPortefeuille->FindTitre(code);
            if (titreLigne == nullptr)
                (titre != nullptr ? autres : inconnues) << QString::fromStdString(code);
            commence(titreLigne);
        }
        if (cible == nullptr)
            continue;
        const platform::TDateTime jour = staging.NumberAt(row, sDate);
        const bool existe = histo.Locate("Date", {platform::Value{jour}});
        if (existe) {
            histo.Edit();
        } else {
            histo.Insert();
            histo.Fields(hDate).SetAsDateTime(jour);
        }
        for (int i = 0; i < 4; ++i) {
            // A field that the layout does not hold keeps the stored value of a day already
            // in the history, and is 0 on a new day.
            if (staging.IsNullAt(row, sChamp[i])) {
                if (!existe)
                    histo.Fields(hChamp[i]).SetAsInteger(0);
                continue;
            }
            histo.Fields(hChamp[i]).SetValue(staging.ValueAt(row, sChamp[i]));
        }
        histo.Post();
        ++compte;
        if (compte % 500 == 0)
            Progress(u("Traitement de la valeur %1 [%2 chargée(s)]")
                         .arg(QString::fromStdString(cible->Code))
                         .arg(compte));
    }
    termine();

    const auto liste = [](const QStringList& codes) {
        const int montres = std::min<int>(static_cast<int>(codes.size()), 30);
        QString texte = QStringList(codes.mid(0, montres)).join(", ");
        if (codes.size() > montres)
            texte += u(", … (%1 en tout)").arg(codes.size());
        return texte;
    };
    if (inconnues.size() == 1)
        Warn("Import",
             u("La valeur %1 est inexistante dans le portefeuille,elle ne sera pas chargée \n")
                 .arg(inconnues.front()),
             false);
    else if (inconnues.size() > 1)
        Warn("Import",
             u("Ces valeurs sont inexistantes dans le portefeuille, elles ne seront pas "
               "chargées :\n") +
                 liste(inconnues),
             false);
    if (!autres.isEmpty() && titre != nullptr)
        Warn("Import",
             u("Les lignes des valeurs %1 ne concernent pas la valeur %2 : elles ne sont pas "
               "chargées.")
                 .arg(liste(autres), QString::fromStdString(titre->Code)),
             false);
    if (!echecs.isEmpty())
        Warn("Import", u("Import incomplet :\n") + echecs.join("\n"));
    return total;
}
