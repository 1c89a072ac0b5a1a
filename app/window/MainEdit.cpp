// The editing commands that need no security or trade dialog: deleting a security, a trade
// or a cash movement, adding and changing movements through the cash dialog, ticking a trade
// and purging the ticked trades. The commands that open the security and trade dialogs are
// in MainEditDialogs.cpp.

#include "window/Main.h"

#include "dialogs/CashDialog.h"
#include "window/RecordLists.h"
#include "window/Shown.h"

#include "portfolio/Cv.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

// The Delete key in a list or the tree runs the list's delete command, whatever modifier keys
// are held; every other key goes on to the list.
class ToucheSuppr : public QObject {
public:
    ToucheSuppr(QObject* parent, std::function<void()> action)
        : QObject(parent), action_(std::move(action)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_Delete)
            return false;
        action_();
        return true;
    }

private:
    std::function<void()> action_;
};

} // namespace

void TMainForm::ConnectEditingCommands() {
    QTreeWidget* operes = FListes->TradeList();
    QTreeWidget* cash = FListes->CashList();
    // The Delete key deletes the selected record of the tree and of the two lists.
    LT1->installEventFilter(new ToucheSuppr(LT1, [this] { Guard([this] { delvalExecute(); }); }));
    operes->installEventFilter(
        new ToucheSuppr(operes, [this] { Guard([this] { DelOpereExecute(); }); }));
    cash->installEventFilter(
        new ToucheSuppr(cash, [this] { Guard([this] { DelCashExecute(); }); }));
    // Editing a trade or a movement is the business of the editing commands: a double click
    // runs them as their menu entries do, and does nothing while they are not available.
    connect(operes, &QTreeWidget::itemDoubleClicked, UpdOp, [this] { UpdOp->trigger(); });
    connect(cash, &QTreeWidget::itemDoubleClicked, UpdCash, [this] { UpdCash->trigger(); });
    connect(operes, &QTreeWidget::customContextMenuRequested, this,
            [this, operes](QPoint at) { PopupOperes->popup(operes->viewport()->mapToGlobal(at)); });
    connect(cash, &QTreeWidget::customContextMenuRequested, this,
            [this, cash](QPoint at) { PopupCash->popup(cash->viewport()->mapToGlobal(at)); });
}

// The records of a quote walk must stay where they are until it ends; while it waits for a
// page only timers run, but a command reached another way than its menu entry (a key, a double
// click) is refused all the same, in the same words.
bool TMainForm::EditingAllowed(const QAction* commande) {
    return FPortefeuille && !RefuseWhileRefreshing(commande);
}

// The trade list keeps its rows while the tree shows something other than a security; rows
// whose trades are gone must not stay behind for a later sort or click.
void TMainForm::ForgetTradeRows() {
    if (SelectedTitre() == nullptr)
        FListes->ForgetTradeRows();
}

void TMainForm::delvalExecute() {
    Valeurs* titre = SelectedTitre();
    if (!EditingAllowed(delval) || titre == nullptr)
        return;
    TCorv& doc = *FPortefeuille;
    auto& titres = doc.Titres;
    const auto place = std::find_if(titres.begin(), titres.end(),
                                    [titre](const auto& t) { return t.get() == titre; });
    if (place == titres.end())
        return;
    const auto rang = static_cast<std::size_t>(place - titres.begin());

    const QString corvane = QString("Corvane");
    if (const Refus refus = doc.SuppressionRefusee(titre)) {
        FPrompts->Message(this, corvane, QString::fromStdString(refus.Texte()),
                          QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    if (titre->Bilan.PlValNet != 0)
        FPrompts->Message(this, corvane,
                          QString("Ce titre a généré des +/- values.\n"
                                  "Celles-ci seront portées à votre crédit cash."),
                          QMessageBox::Warning, QMessageBox::Ok);

    // The tree and the trade list point at the security and its trades: they let go of them
    // before these are freed. The rebuild then selects the neighbour, or the root when no
    // security is left.
    FListes->ForgetTradeRows();
    doc.DeleteTitre(titre);
    if (titres.empty()) {
        LT1->setCurrentItem(LT1->topLevelItem(0));
    } else {
        LT1->setCurrentItem(nullptr);
        FSelTitre = titres[std::min(rang, titres.size() - 1)].get();
    }
    BuildTree();
}

void TMainForm::DelOpereExecute() {
    Valeurs* titre = SelectedTitre();
    Operes* opere = SelectedOpere();
    if (!EditingAllowed(DelOpere) || titre == nullptr || opere == nullptr)
        return;
    if (const Refus refus = FPortefeuille->DeleteOpere(titre, opere)) {
        FPrompts->Message(this, "Corvane", QString::fromStdString(refus.Texte()),
                          QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    FListes->RemoveSelectedOpereRow(); // the row goes with its trade
    RefreshViews(titre);
    BuildTree();
}

void TMainForm::DPointer1Click() {
    Operes* opere = SelectedOpere();
    if (!EditingAllowed(DPointer1) || opere == nullptr)
        return;
    FPortefeuille->PointeOpere(opere, !opere->Pointe);
    RefreshViews(nullptr);
}

void TMainForm::AddCashExecute() {
    if (!EditingAllowed(AddCash))
        return;
    {
        Tcash dialog(this, FPortefeuille.get(), *FPrompts);
        const Shown<Tcash> shown(cash, &dialog);
        // The dialog stores each movement itself, whichever way it is closed.
        FPrompts->RunDialog(dialog);
    }
    RefreshViews(nullptr);
}

void TMainForm::UpdCashExecute() {
    Mvt* mouvement = SelectedMvt();
    if (!EditingAllowed(UpdCash) || mouvement == nullptr)
        return;
    {
        Tcash dialog(this, FPortefeuille.get(), *FPrompts);
        dialog.EditMouvement(mouvement);
        const Shown<Tcash> shown(cash, &dialog);
        FPrompts->RunDialog(dialog);
    }
    RefreshViews(nullptr);
}

void TMainForm::DelCashExecute() {
    Mvt* mouvement = SelectedMvt();
    if (!EditingAllowed(DelCash) || mouvement == nullptr)
        return;
    if (const Refus refus = FPortefeuille->DeleteMvt(mouvement)) {
        FPrompts->Message(this, "Corvane", QString::fromStdString(refus.Texte()),
                          QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    FListes->RemoveSelectedMvtRow(); // the row goes with its movement
    RefreshViews(nullptr);
}

void TMainForm::Purge1Click() {
    if (!EditingAllowed(Purge1))
        return;
    if (const Refus refus = FPortefeuille->Purge())
        FPrompts->Message(this, "Corvane", QString::fromStdString(refus.Texte()),
                          QMessageBox::Warning, QMessageBox::Ok);
    RefreshViews(nullptr);
    ForgetTradeRows();
}
