#pragma once

// The market picker: a security chosen from the market lists that come with the program (one
// ".bdx" file per market in the "Bourses" folder of the data directory) instead of typed in.

#include "views/MarketList.h"

#include <QDialog>
#include <QString>

#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class TCorv;

class UiPrompts;

class TBourse : public QDialog {
    Q_OBJECT
public:
    TBourse(QWidget* owner, TCorv* portefeuille, UiPrompts& prompts);

    // Reads the market's list and lists its sectors, then the rows of the first one. A list
    // that is no file this user can read is said so, and lists nothing.
    void LoadMarket(const QString& marche);
    // Lists the rows of one sector, or of every sector when there is none.
    void FillSector(const std::optional<QString>& secteur);

    void CBBourseChange();
    void CBActiviteChange();
    void RTousClick();
    void BtOkClick();
    void LBDblClick();

    // The market chosen: the selected item of CBBourse.
    QString Marche() const;

    QComboBox* CBBourse = nullptr;
    QComboBox* CBActivite = nullptr;
    QPushButton* BtOk = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QTreeWidget* LB = nullptr;
    QRadioButton* RTous = nullptr;
    QRadioButton* RSel = nullptr;

    TCorv* FPortefeuille = nullptr;
    bool FValide = false;
    QString FCode;
    QString FLibelle;
    QString FActiviteChoisie;

private:
    void FormCreate();
    void FormClose();
    QString Dossier() const;

    UiPrompts& FPrompts;
    // The lines of the market shown, read once when it is loaded: the list never changes
    // while the picker is open.
    std::vector<LigneBourse> FLignes;
};
