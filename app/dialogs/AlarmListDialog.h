#pragma once

// The alarms of one security: the list to add, change, delete, duplicate, arm and test them
// at a typed price. The list works on a copy; only Valider gives it to the security.

#include <QDialog>

#include "dialogs/AlarmDetailDialog.h"

#include <memory>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TAlarme : public QDialog {
    Q_OBJECT
public:
    TAlarme(QWidget* owner, TCorv* portefeuille, Valeurs* titre, UiPrompts& prompts);

    QLabel* LibTitre = nullptr;
    QTreeWidget* Liste = nullptr;
    QPushButton* Ajouter = nullptr;
    QPushButton* Modifier = nullptr;
    QPushButton* Supprimer = nullptr;
    QPushButton* Dupliquer = nullptr;
    QPushButton* Appliquer = nullptr;
    QPushButton* Valider = nullptr;
    QPushButton* Annuler = nullptr;
    QLabel* Lab1 = nullptr;
    QLineEdit* CoursV = nullptr;
    QGroupBox* Recap = nullptr;
    QLabel* L1 = nullptr;
    QLabel* L2 = nullptr;
    QLabel* L3 = nullptr;
    QLabel* L4 = nullptr;

    Valeurs* FTitre = nullptr;
    TCorv* FPortefeuille = nullptr;
    std::vector<std::unique_ptr<SDetAlarme>> FAlarmes; // in the order of the rows
    bool FValide = false;
    bool FRemplissage = false;

    // An alarm may be active when both elements are defined and its date has not passed.
    static bool Complete(const SDetAlarme& alarme);
    static bool MayBeActive(const SDetAlarme& alarme);
    // The row the user selected; null for none, even when the list has a current row.
    QTreeWidgetItem* SelectedRow() const;
    // The record a row shows; null for none.
    static SDetAlarme* RowAlarme(const QTreeWidgetItem* row);

    void FillList();
    void ShowRecap();
    void ListeChange(QTreeWidgetItem* row);
    void AjouterClick();
    void ModifierClick();
    void SupprimerClick();
    void DupliquerClick();
    void AppliquerClick();
    void ValiderClick();

    void done(int result) override; // FormClose

private:
    QTreeWidgetItem* AddRow(SDetAlarme* alarme);
    void ShowRow(QTreeWidgetItem* row);
    void SelectionState();
    // Runs a button's handler, showing a conversion error instead of letting it escape.
    void Guard(void (TAlarme::*handler)());

    UiPrompts& FPrompts;
    AlarmPhrase FPhrase;
};

// The alarm list while it is shown.
extern TAlarme* Alarme;
