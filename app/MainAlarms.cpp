// The alarm commands: the alarms of the security selected in the tree, and the alarm log,
// whose reading stops the flashing of the window.

#include "Main.h"

#include "Shown.h"
#include "dialogs/Falarme.h"
#include "dialogs/Logs.h"

#include "portfolio/Cv.h"

#include <QAction>
#include <QTimer>

void TMainForm::CreateAlarms() {
    const std::pair<QAction*, void (TMainForm::*)()> commandes[] = {
        {ActAlarme, &TMainForm::ActAlarmeExecute},
        {ViewLogs, &TMainForm::ViewLogsExecute},
    };
    for (const auto& [action, handler] : commandes) {
        action->setEnabled(true);
        connect(action, &QAction::triggered, this,
                [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
    }
}

void TMainForm::ActAlarmeExecute() {
    Valeurs* titre = SelectedTitre();
    if (!FPortefeuille || titre == nullptr)
        return;
    TAlarme dialog(this, FPortefeuille.get(), titre, *FPrompts);
    const Shown<TAlarme> shown(Alarme, &dialog);
    // The dialog has given the security its new alarms, changed or not.
    if (FPrompts->RunDialog(dialog))
        FPortefeuille->Modifie = true;
}

void TMainForm::ViewLogsExecute() {
    if (!FPortefeuille)
        return;
    TFLogs dialog(this, FPortefeuille.get(), *FPrompts);
    const Shown<TFLogs> shown(FLogs, &dialog);
    FPrompts->RunDialog(dialog);
    // Once the alarms have been read the window stops flashing now, not at the next tick.
    if (!FPortefeuille->AlarmeNouvelle && TimeLogs->isActive())
        TimeLogsTimer();
}
