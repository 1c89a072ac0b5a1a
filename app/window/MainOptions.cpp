// The options command: fills the options dialog from the settings and the document, and on
// validation writes the values back and recomputes everything.

#include "window/Main.h"

#include "dialogs/OptionsDialog.h"
#include "views/ViewText.h"
#include "window/QuoteRefresh.h"
#include "window/Shown.h"

#include "platform/ConversionError.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>

void TMainForm::DoParamExecute() {
    if (!FPortefeuille)
        return;
    TCorv& doc = *FPortefeuille;
    TForm6 dialog(this, &doc, FPrompts);
    const Shown<TForm6> shown(Form6, &dialog);

    const ProgramSettings& lus = FRegistry->Values();
    dialog.LibMon->setText(QString::fromStdString(lus.Document.LibLocal));
    dialog.Taux->setText(
        QString::fromStdString(platform::FormatFixedUser(lus.Document.Taux, 5, 9)));
    dialog.Liste->setCurrentIndex(lus.Http);
    dialog.ListeChange();
    dialog.Maj->setChecked(lus.Maj);
    dialog.MajClick();
    dialog.Duree->setValue(lus.Temps);
    dialog.Proxy->setChecked(lus.Proxy);
    dialog.ProxyClick();
    dialog.PortNum->setText(QString::fromStdString(platform::FormatInt(lus.ProxyPort)));
    dialog.ProxyName->setText(QString::fromStdString(lus.ProxyName));
    dialog.Type->SetItemIndex(lus.MajType);
    // Shown with the decimal separator of the rate beside them; both read back.
    std::string texte;
    doc.FloatToTextTrunc(2, texte, doc.CouvC);
    dialog.CouvC->setText(QString::fromStdString(AvecSeparateurDecimal(texte)));
    doc.FloatToTextTrunc(2, texte, doc.CouvT);
    dialog.CouvT->setText(QString::fromStdString(AvecSeparateurDecimal(texte)));

    if (!FPrompts->RunDialog(dialog))
        return;

    // Every typed number is checked before anything is written, so that a refused value
    // leaves the settings and the document as they were.
    TOptionsNumbers nombres;
    QString message;
    if (!dialog.ReadNumbers(nombres, message))
        throw platform::ConversionError(message.toStdString());
    ProgramSettings choisis = FRegistry->Values();
    choisis.Document.LibLocal = dialog.LibMon->text().toStdString();
    choisis.Document.Taux = static_cast<double>(nombres.Taux);
    // Without a quote-site list there is no choice to store: the site stays as it was.
    if (dialog.Liste->currentIndex() >= 0)
        choisis.Http = dialog.Liste->currentIndex();
    choisis.Proxy = dialog.Proxy->isChecked();
    choisis.ProxyName = dialog.ProxyName->text().toStdString();
    if (nombres.Port)
        choisis.ProxyPort = *nombres.Port;
    choisis.Maj = dialog.Maj->isChecked();
    choisis.MajType = dialog.Type->ItemIndex();
    choisis.Temps = dialog.Duree->value();
    // A value the next start would refuse is refused now, before anything changes.
    if (const std::string faute = choisis.Fault(); !faute.empty())
        throw platform::ConversionError("Réglage impossible : " + faute + ".");
    // The document's own values first: settings that then fail to be written cannot lose them.
    doc.SetCouverture(nombres.CouvC, nombres.CouvT);
    FRegistry->Values() = choisis;
    FRefresh->FollowSettings();
    doc.LoadSettings(FRegistry->Values().Document);
    if (Commute->isChecked()) {
        Commute->setText(QString("&Affichage en ") + QString::fromStdString(doc.LibLocal));
        LibMon->setText("Affichage en Euros");
    }
    RefreshViews(nullptr);
    SaveSettings();
}
