#include "dialogs/AlarmLogDialog.h"

#include "widgets/UiPrompts.h"

#include "platform/DateText.h"
#include "platform/FileLock.h"
#include "platform/Sort.h"
#include "platform/TextFile.h"
#include "portfolio/Cv.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <string_view>

TFLogs* FLogs = nullptr;

namespace {

constexpr int kRoleEntree = Qt::UserRole + 1;

// One non-empty line of the log: its text in UTF-8 without its end, and its bytes as they
// stand in the file, end included.
struct LigneJournal {
    std::string Texte;
    std::string_view Octets;
};

// The lines of the log. A missing log holds none; anything there that is no readable file (a
// folder, a pipe) gives its reason and no line, without ever waiting on it.
struct LignesJournal {
    std::string Fichier; // the bytes the lines view
    std::vector<LigneJournal> Lignes;
    std::string Raison;
};

LignesJournal ReadLines(const std::string& chemin) {
    LignesJournal journal;
    platform::WholeFile fichier = platform::ReadWholeFile(chemin);
    if (fichier.state == platform::WholeFile::State::Unreadable)
        journal.Raison = fichier.reason;
    journal.Fichier = std::move(fichier.text);
    const std::string& texte = journal.Fichier;
    std::size_t debut = 0;
    while (debut < texte.size()) {
        std::size_t fin = texte.find('\n', debut);
        if (fin == std::string::npos)
            fin = texte.size();
        std::string_view ligne(texte.data() + debut, fin - debut);
        if (!ligne.empty() && ligne.back() == '\r')
            ligne.remove_suffix(1);
        const std::size_t suivante = std::min(fin + 1, texte.size());
        if (ligne.find_first_not_of(" \t") != std::string_view::npos)
            journal.Lignes.push_back({platform::ToUtf8(ligne),
                                      std::string_view(texte.data() + debut, suivante - debut)});
        debut = suivante;
    }
    return journal;
}

// The form the viewer writes a line in: two lines that are one entry have the same.
std::string FormeEcrite(const std::string& texte) {
    SLogs entree;
    TFLogs::ReadLine(texte, entree);
    return TFLogs::WriteLine(entree);
}

// Takes one of the key off the counts; false when none is left.
bool Retire(std::map<std::string, int>& comptes, const std::string& cle) {
    const auto trouvee = comptes.find(cle);
    if (trouvee == comptes.end() || trouvee->second == 0)
        return false;
    --trouvee->second;
    return true;
}

// A line of the log with its end. A line that itself ends in CR needs CR LF to read back
// whole: the reader takes one CR off before the LF.
std::string AvecFin(const std::string& ligne) {
    return ligne + (!ligne.empty() && ligne.back() == '\r' ? "\r\n" : "\n");
}

// A 20 x 20 picture: a red arrow up for a buy, a green arrow down for a sale.
QIcon Fleche(bool achat) {
    QPixmap image(20, 20);
    image.fill(Qt::transparent);
    QPainter peintre(&image);
    peintre.setRenderHint(QPainter::Antialiasing);
    const QColor couleur = achat ? QColor(255, 0, 0) : QColor(0, 0x80, 0);
    peintre.setPen(couleur.darker(130));
    peintre.setBrush(couleur);
    const QPolygonF pointe =
        achat ? QPolygonF({{10, 2}, {18, 11}, {2, 11}}) : QPolygonF({{10, 18}, {18, 9}, {2, 9}});
    peintre.drawPolygon(pointe);
    peintre.fillRect(achat ? QRectF(7, 11, 6, 7) : QRectF(7, 2, 6, 7), couleur);
    return QIcon(image);
}

} // namespace

TFLogs::TFLogs(QWidget* owner, TCorv* portefeuille, UiPrompts& prompts)
    : QDialog(owner), FPortefeuille(portefeuille), FPrompts(prompts) {
    setObjectName("FLogs");
    setWindowTitle(QString("Détails des alarmes déclenchées"));

    Icones = {Fleche(true), Fleche(false)};
    Liste = new QTreeWidget(this);
    Liste->setObjectName("Liste");
    Liste->setHeaderLabels({"Sens", "Date", "Heure", "Sicovam", QString("Libellé"), "Texte"});
    Liste->setRootIsDecorated(false);
    Liste->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste->setIconSize(QSize(20, 20));
    Liste->setMinimumSize(760, 260);

    Supprimer = new QPushButton(QString("&Supprimer"), this);
    Supprimer->setObjectName("Supprimer");
    Supprimer->setAutoDefault(false);
    Quitter = new QPushButton(QString("&Quitter"), this);
    Quitter->setObjectName("Quitter");
    Quitter->setDefault(true);
    connect(Supprimer, &QPushButton::clicked, this, &TFLogs::SupprimerClick);
    connect(Quitter, &QPushButton::clicked, this, &TFLogs::QuitterClick);

    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Supprimer);
    boutons->addWidget(Quitter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Liste, 1);
    layout->addLayout(boutons);

    FormCreate();
}

void TFLogs::FormCreate() {
    if (FPortefeuille != nullptr)
        FChemin = TCorv::LogPath(FPortefeuille->Fichier);
    if (FChemin.empty())
        return;
    LignesJournal journal = ReadLines(FChemin);
    if (!journal.Raison.empty()) {
        // Nothing will be written over it at Quitter either.
        FIlisible = true;
        FPrompts.Message(
            this, "Corvane",
            QString("Le journal des alarmes « %1 » ne peut pas être lu : "
                    "%2.")
                .arg(QString::fromStdString(FChemin), QString::fromStdString(journal.Raison)),
            QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    for (const LigneJournal& ligne : journal.Lignes) {
        auto entree = std::make_unique<SLogs>();
        ReadLine(ligne.Texte, *entree);
        FLignes.push_back(std::move(entree));
    }

    // The rows in display order; the entries stay in file order for the rewrite. Lines that
    // do not read come last, as they stood in the file.
    std::vector<std::pair<SLogs*, std::size_t>> ordre;
    for (std::size_t i = 0; i < FLignes.size(); ++i)
        ordre.emplace_back(FLignes[i].get(), i);
    platform::QuickSort(ordre, [](const auto& a, const auto& b) {
        if (a.first->Lisible != b.first->Lisible)
            return a.first->Lisible ? -1 : 1;
        if (a.first->Lisible) {
            if (const int c = ListeCompare(*a.first, *b.first); c != 0)
                return c;
        }
        return a.second < b.second ? -1 : (a.second > b.second ? 1 : 0);
    });
    for (const auto& [entree, rang] : ordre)
        AddRow(entree);
    for (int colonne = 0; colonne < Liste->columnCount(); ++colonne)
        Liste->resizeColumnToContents(colonne);
}

bool TFLogs::ReadLine(const std::string& ligne, SLogs& entree) {
    entree = SLogs{};
    entree.Ligne = ligne;
    std::array<std::string_view, 6> pieces;
    std::string_view reste(ligne);
    for (auto& piece : pieces) {
        const std::size_t barre = reste.find('|');
        if (barre == std::string_view::npos) {
            entree.Lisible = false;
            return false;
        }
        piece = reste.substr(0, barre);
        reste.remove_prefix(barre + 1);
    }
    double date = 0.0;
    double heure = 0.0;
    if (!platform::TryStrToDate(pieces[1], date) || !platform::TryStrToTime(pieces[2], heure)) {
        entree.Lisible = false;
        return false;
    }
    entree.Sens = !pieces[0].empty() && pieces[0].front() == 'A';
    entree.Date = date;
    entree.Heure = heure;
    entree.Sicovam = pieces[3];
    entree.Libelle = pieces[4];
    entree.Texte = pieces[5];
    entree.Suite = reste;
    return true;
}

std::string TFLogs::WriteLine(const SLogs& entree) {
    if (!entree.Lisible)
        return AvecFin(entree.Ligne);
    std::string ligne(1, entree.Sens ? 'A' : 'V');
    ligne += '|' + platform::DateToStrFull(entree.Date) + '|' + platform::TimeToStr(entree.Heure) +
             '|' + entree.Sicovam + '|' + entree.Libelle + '|' + entree.Texte + '|' +
             (entree.Suite.empty() ? std::string("*") : entree.Suite);
    // The fields after the sixth may end in CR, as an unread line may.
    return AvecFin(ligne);
}

int TFLogs::ListeCompare(const SLogs& a, const SLogs& b) {
    if (a.Date != b.Date)
        return a.Date > b.Date ? -1 : 1;
    if (a.Heure != b.Heure)
        return a.Heure > b.Heure ? -1 : 1;
    return a.Sicovam.compare(b.Sicovam) < 0 ? -1 : (a.Sicovam == b.Sicovam ? 0 : 1);
}

SLogs* TFLogs::RowEntry(const QTreeWidgetItem* row) {
    if (row == nullptr)
        return nullptr;
    return reinterpret_cast<SLogs*>(row->data(0, kRoleEntree).value<quintptr>());
}

void TFLogs::AddRow(SLogs* entree) {
    auto* row = new QTreeWidgetItem;
    row->setData(0, kRoleEntree, QVariant::fromValue(reinterpret_cast<quintptr>(entree)));
    if (entree->Lisible) {
        row->setText(0, entree->Sens ? "A" : "V");
        row->setIcon(0, Icones[entree->Sens ? 0 : 1]);
        row->setText(1, QString::fromStdString(platform::DateToStrFull(entree->Date)));
        row->setText(2, QString::fromStdString(platform::TimeToStr(entree->Heure)));
        row->setText(3, QString::fromStdString(entree->Sicovam));
        row->setText(4, QString::fromStdString(entree->Libelle));
        row->setText(5, QString::fromStdString(entree->Texte));
    } else {
        // Shown whole, so that the user can see it and delete it.
        row->setText(0, "?");
        row->setText(5, QString::fromStdString(entree->Ligne));
    }
    Liste->addTopLevelItem(row);
}

void TFLogs::SupprimerClick() {
    for (QTreeWidgetItem* row : Liste->selectedItems()) {
        const SLogs* entree = RowEntry(row);
        if (entree != nullptr)
            FSupprimees.push_back(WriteLine(*entree));
        delete row;
        std::erase_if(FLignes, [entree](const auto& e) { return e.get() == entree; });
    }
}

void TFLogs::QuitterClick() {
    bool nouvelles = false;
    if (!FChemin.empty() && !FIlisible)
        nouvelles = RewriteLog();
    // The user has seen the alarms; those that fired meanwhile are still to be seen.
    if (FPortefeuille != nullptr && !nouvelles)
        FPortefeuille->AlarmesLues();
    Liste->clear();
    FLignes.clear();
    accept();
}

bool TFLogs::RewriteLog() {
    // Alarm checks append under the same lock: none can fall between the reading and the
    // replacement of the log.
    const platform::FolderLock verrou(FChemin);
    if (!verrou.Held()) {
        ReportNotRewritten(QString::fromStdString(platform::FolderLockFailure(verrou)));
        return false;
    }
    // The log as it now stands loses the entries deleted here and nothing else: what another
    // viewer deleted stays deleted, and what was appended since is kept as it was written.
    std::map<std::string, int> supprimees;
    for (const std::string& forme : FSupprimees)
        ++supprimees[forme];
    std::map<std::string, int> lues;
    for (const auto& entree : FLignes)
        ++lues[WriteLine(*entree)];
    const LignesJournal maintenant = ReadLines(FChemin);
    if (!maintenant.Raison.empty()) {
        // What took the log's place since the opening is not replaced.
        ReportNotRewritten(QString::fromStdString(maintenant.Raison));
        return false;
    }
    bool nouvelles = false;
    std::string texte;
    for (const LigneJournal& ligne : maintenant.Lignes) {
        const std::string forme = FormeEcrite(ligne.Texte);
        if (Retire(supprimees, forme))
            continue;
        if (Retire(lues, forme)) {
            texte += forme;
            continue;
        }
        texte += ligne.Octets;
        if (ligne.Octets.back() != '\n')
            texte += '\n';
        nouvelles = true;
    }
    platform::AtomicFileWriter fichier(FChemin);
    if (fichier.IsOpen())
        fichier.Write(texte);
    if (!fichier.IsOpen() || !fichier.Commit())
        ReportNotRewritten(QString());
    return nouvelles;
}

void TFLogs::ReportNotRewritten(const QString& raison) {
    FPrompts.Message(this, "Corvane",
                     QString("Le journal des alarmes « %1 » n'a pas pu être réécrit%2 : il reste "
                             "tel qu'il était.")
                         .arg(QString::fromStdString(FChemin),
                              raison.isEmpty() ? QString() : " (" + raison + ")"),
                     QMessageBox::Warning, QMessageBox::Ok);
}
