#pragma once

// The alarms that fired for the open portfolio, read from its alarm log: newest first, with
// the deletion of entries and the rewrite of the log on Quitter, which also acknowledges them.

#include <QDialog>
#include <QIcon>

#include <array>
#include <memory>
#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;
class TCorv;
class UiPrompts;

// One entry of the log.
struct SLogs {
    bool Sens = false; // true: buy signal ("A"); false: sell signal
    double Date = 0.0;
    double Heure = 0.0; // time of day
    std::string Sicovam;
    std::string Libelle;
    std::string Texte;
    // What the line holds after its sixth field, written back as it was ("*" as a rule).
    std::string Suite;
    // A line whose fields do not read is shown and written back as it was, so that nothing
    // the user did not delete leaves the log.
    bool Lisible = true;
    std::string Ligne;
};

class TFLogs : public QDialog {
    Q_OBJECT
public:
    TFLogs(QWidget* owner, TCorv* portefeuille, UiPrompts& prompts);

    QTreeWidget* Liste = nullptr;
    QPushButton* Supprimer = nullptr;
    QPushButton* Quitter = nullptr;
    std::array<QIcon, 2> Icones; // 0: buy entry, 1: sell entry

    TCorv* FPortefeuille = nullptr;
    std::vector<std::unique_ptr<SLogs>> FLignes; // in file order

    // One line of the log into an entry; false, with the line kept in Ligne, when it lacks a
    // separator or its date or time does not read.
    static bool ReadLine(const std::string& ligne, SLogs& entree);
    // The line an entry is written back as, line end included.
    static std::string WriteLine(const SLogs& entree);
    // Newest first: the later date, then the later time, then the smaller code.
    static int ListeCompare(const SLogs& a, const SLogs& b);
    // The entry a row shows; null for none.
    static SLogs* RowEntry(const class QTreeWidgetItem* row);

    void SupprimerClick();
    void QuitterClick();

private:
    void FormCreate();
    void AddRow(SLogs* entree);
    // Rewrites the log without the entries deleted here; true when it holds alarms that were
    // logged after the opening.
    bool RewriteLog();
    void ReportNotRewritten(const QString& raison);

    UiPrompts& FPrompts;
    std::string FChemin;                  // the log; empty for a document never saved
    std::vector<std::string> FSupprimees; // the entries deleted, as the viewer writes them
    bool FIlisible = false; // something that is no readable file stands at the log's path
};

// The alarm-log viewer while it is shown.
extern TFLogs* FLogs;
