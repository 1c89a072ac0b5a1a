#pragma once

// The history editor: the daily prices of one security in a grid over the history table of
// the data module, edited in place; a stock split applied to them; the import and export of
// history files. Valider writes the table to the security's history file; every other way
// out reloads the stored history, so that no unsaved edit or split stays in the table for
// another user of it (the quote refresh saves whatever the table holds).

#include "platform/DateTime.h"
#include "platform/MemTable.h"

#include <QDialog>

class MemTableModel;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class TCorv;
class TDBGrid;
class TDBNavigator;
class UiPrompts;
struct Valeurs;

// Whether every volume dated on or before `jusqua` (a day) times `ratio` stays within 32 bits.
bool HistoDivisionFits(const platform::MemTable& historique, int ratio, platform::TDateTime jusqua);
// Splits the rows of a history table dated on or before `jusqua` (a day) by `ratio`: Cours,
// Haut and Bas become their whole cents divided by the ratio, truncated; Volume is multiplied
// by it. A ratio below 2, or one whose volumes would not fit, changes nothing. Returns the
// number of rows split.
int ApplyHistoDivision(platform::MemTable& historique, int ratio, platform::TDateTime jusqua);

class TFHisto : public QDialog {
    Q_OBJECT
public:
    // division: set to true when a split is made, to false when the editor closes without
    // Valider (not owned; may be null). Loads the security's history unless the table holds
    // it already; a history file that cannot be read throws (HistoReadError, or
    // platform::ConversionError for a file that does not read as a history).
    TFHisto(QWidget* owner, bool* division, Valeurs* titre, TCorv* portefeuille,
            UiPrompts& prompts);
    ~TFHisto() override;

    // The split made while the editor was open (one at most): ratio 0 when none. The caller
    // applies it to the trades when the editor returns OK.
    int DivisionRatio() const { return FRatio; }
    platform::TDateTime DivisionDate() const { return FJusqua; }

    void BtDivClick();
    void BtOkClick();
    void BtAnnulClick();
    void ImporterClick();
    void ExporterClick();

    QLabel* Libelle = nullptr;
    QLabel* TypMnt = nullptr;
    QPushButton* BtDiv = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TDBNavigator* DBNav = nullptr;
    QPushButton* BtOk = nullptr;
    QPushButton* BtAnnul = nullptr;
    QMenuBar* MainMenu = nullptr;
    QMenu* Fichiers = nullptr;
    QAction* Importer = nullptr;
    QAction* Exporter = nullptr;
    MemTableModel* DataSource1 = nullptr;

    bool* FDivision = nullptr;
    Valeurs* FTitre = nullptr;
    TCorv* FPortefeuille = nullptr;
    bool FValide = false;

protected:
    // FormClose: OK only after Valider; otherwise the stored history is reloaded and the
    // caller's split flag cleared.
    void done(int result) override;

private:
    // Writes back the cell being typed and posts the row; false when the cell was refused.
    bool FinishEdit();
    // The row being typed needs a date before it is posted.
    QString CheckRow() const;
    // The split reaches the trades after Valider: it must fit them as well as the history.
    bool DivisionFits(int ratio, platform::TDateTime jusqua);
    QString CheckCell(int field, const platform::Value& value) const;
    void Reload();
    void Refuse(const QString& text);
    // Writes the table over the history file, asking first when another program changed the
    // file since it was loaded; false, the file kept, when it is not written.
    bool SaveHistory();

    UiPrompts& FPrompts;
    int FRatio = 0;
    platform::TDateTime FJusqua = 0.0;
    bool FClosed = false;
};
