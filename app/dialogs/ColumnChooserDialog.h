#pragma once

// The column chooser of the repartition list: which columns the list shows after its fixed
// "Valeur" column, and in which order. It works on a copy of the caller's 22 column ids and
// rewrites the caller's array only when the user validates; rebuilding the list and saving
// the ids are the caller's business.

#include "views/ColonnesRep.h"

#include <QDialog>
#include <QTreeWidget>

#include <array>
#include <cstdint>

class QPushButton;
class TFColRep;

// A list of the chooser: its rows can be dragged to the other list, which alone accepts them.
class TListeColonnes : public QTreeWidget {
    Q_OBJECT
public:
    TListeColonnes(TFColRep* dialogue, QWidget* parent);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TFColRep* FDialogue;
};

class TFColRep : public QDialog {
    Q_OBJECT
public:
    using Ids = std::array<std::uint8_t, kNbColonnesRep>;

    // colonnes: the caller's ids, rewritten on validation only (not owned). kind 0 is the
    // repartition list's table ColonnesRep, the only table there is; any other kind leaves
    // the dialog without columns.
    TFColRep(QWidget* owner, Ids* colonnes, std::uint8_t kind);

    // Fills both lists from the working copy of the ids; run before showing the dialog.
    void FillLists();

    // Moves the selected rows of source, in their order, after the first selected row of
    // target, or to its end when none is selected.
    void MoveItems(QTreeWidget* source, QTreeWidget* target);

    // Drag and drop, for both lists (sender: the list dragged over or dropped on).
    bool LArrDragOver(const QTreeWidget* sender, const QObject* source) const;
    void LDepDragDrop(QTreeWidget* sender, const QObject* source, const QPoint& at);

    void Button1Click();
    void Button3Click();
    void Button5Click();

    // The column id a row carries.
    static int IdOf(const QTreeWidgetItem* row);

    TListeColonnes* LDep = nullptr;
    TListeColonnes* LArr = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;

protected:
    // FormClose: only "&Valider" gives OK, every other way out cancels.
    void done(int result) override;

private:
    QTreeWidget* Other(const QTreeWidget* list) const;
    void AddRow(QTreeWidget* list, int id, int index = -1) const;

    std::uint8_t FTableKind;
    Ids FColIds{};
    Ids* FColOut;
    std::int32_t FTableSize = 0;
    const ColonneRep* FTable = nullptr;
    bool FValide = false;
};
