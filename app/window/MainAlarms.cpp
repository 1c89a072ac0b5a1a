// The alarm commands: the alarms of the security selected in the tree, and the alarm log,
// whose reading stops the flashing of the window; and the check after a new price, which
// makes the window flash only for what the log holds and tells the user of the rest.

#include "window/Main.h"

#include "dialogs/AlarmListDialog.h"
#include "dialogs/AlarmLogDialog.h"
#include "window/Shown.h"
#include "window/UnloggedAlarms.h"

#include "platform/DateText.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QTimer>

#include <utility>

void TMainForm::ActAlarmeExecute() {
    Valeurs* titre = SelectedTitre();
    if (!FPortefeuille || titre == nullptr)
        return;
    TAlarme dialog(this, FPortefeuille.get(), titre, *FPrompts);
    const Shown<TAlarme> shown(Alarme, &dialog);
    // Valider gives the security its new alarms, changed or not, through the document.
    FPrompts->RunDialog(dialog);
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

namespace {

// A log line as the user reads it in a message.
QString ReadableAlarm(const std::string& ligne) {
    SLogs entree;
    if (!TFLogs::ReadLine(ligne, entree))
        return QString::fromStdString(ligne);
    return QString("%1 %2 %3 – %4 %5 : %6")
        .arg(entree.Sens ? "Achat" : "Vente")
        .arg(QString::fromStdString(platform::DateToStrFull(entree.Date)))
        .arg(QString::fromStdString(platform::TimeToStr(entree.Heure)))
        .arg(QString::fromStdString(entree.Sicovam))
        .arg(QString::fromStdString(entree.Libelle))
        .arg(QString::fromStdString(entree.Texte));
}

} // namespace

bool TMainForm::CheckAlarmesLogged(TCorv& doc, Valeurs* titre) {
    return CheckKeepingUnlogged(
        doc, [&doc, titre] { return doc.CheckAlarmes(titre); }, FAlarmesNonJournalisees);
}

void TMainForm::ReportUnloggedAlarms() {
    if (FAlarmesNonJournalisees.empty())
        return;
    // Taken before the message is shown: checks made while it waits are told next time.
    const auto alarmes = std::exchange(FAlarmesNonJournalisees, {});
    QString texte;
    const std::string* journal = nullptr;
    for (const auto& [chemin, ligne] : alarmes) {
        if (journal == nullptr || *journal != chemin) {
            if (journal != nullptr)
                texte += "\n\n";
            texte += chemin.empty() ? QString("Ces alarmes se sont déclenchées, mais le "
                                              "portefeuille n'a pas encore été enregistré : elles "
                                              "ne figurent dans aucun journal des alarmes.")
                                    : QString("Ces alarmes se sont déclenchées, mais le journal "
                                              "des alarmes « %1 » n'a pas pu être complété : "
                                              "elles n'y figurent pas.")
                                          .arg(QString::fromStdString(chemin));
            journal = &chemin;
        }
        texte += "\n" + ReadableAlarm(ligne);
    }
    // Told without waiting for the user: a timed refresh goes on following the quotes.
    FPrompts->Notice(this, "Corvane", texte, QMessageBox::Warning);
}
