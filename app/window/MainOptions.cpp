// The options command: fills the options dialog from the settings and the document, and on
// validation writes the values back and recomputes everything.

#include "window/Main.h"

#include "dialogs/OptionsDialog.h"
#include "views/ViewText.h"
#include "window/QuoteRefresh.h"
#include "window/Registry.h"
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

    {
        OpenedKey key(*FRegistry);
        platform::SettingsStore& reg = *FRegistry;
        dialog.LibMon->setText(QString::fromStdString(ReadStringOrEmpty(reg, "LIBLOCAL")));
        dialog.Taux->setText(
            QString::fromStdString(platform::FormatFixedUser(reg.ReadFloat("TAUX"), 5, 9)));
        dialog.Liste->setCurrentIndex(reg.ReadInteger("HTTP"));
        dialog.ListeChange();
        dialog.Maj->setChecked(reg.ReadInteger("MAJ") != 0);
        dialog.MajClick();
        dialog.Duree->setValue(reg.ReadInteger("TEMPS"));
        dialog.Proxy->setChecked(reg.ReadInteger("PROXY") != 0);
        dialog.ProxyClick();
        dialog.PortNum->setText(
            QString::fromStdString(platform::FormatInt(reg.ReadInteger("PROXYPORT"))));
        dialog.ProxyName->setText(QString::fromStdString(ReadStringOrEmpty(reg, "PROXYNAME")));
        dialog.Type->SetItemIndex(reg.ReadInteger("MAJTYPE"));
        // Shown with the decimal separator of the rate beside them; both read back.
        std::string texte;
        doc.FloatToTextTrunc(2, texte, doc.CouvC);
        dialog.CouvC->setText(QString::fromStdString(AvecSeparateurDecimal(texte)));
        doc.FloatToTextTrunc(2, texte, doc.CouvT);
        dialog.CouvT->setText(QString::fromStdString(AvecSeparateurDecimal(texte)));
        // Closed while the dialog is shown: a timed refresh may open the key meanwhile.
        key.Close();
    }

    if (!FPrompts->RunDialog(dialog))
        return;

    // Every typed number is checked before anything is written, so that a refused value
    // leaves the settings and the document as they were.
    TOptionsNumbers nombres;
    QString message;
    if (!dialog.ReadNumbers(nombres, message))
        throw platform::ConversionError(message.toStdString());

    OpenedKey key(*FRegistry);
    platform::SettingsStore& reg = *FRegistry;
    reg.WriteString("LIBLOCAL", dialog.LibMon->text().toStdString());
    reg.WriteFloat("TAUX", static_cast<double>(nombres.Taux));
    // Without a quote-site list there is no choice to store: the site stays as it was.
    if (dialog.Liste->currentIndex() >= 0)
        reg.WriteInteger("HTTP", dialog.Liste->currentIndex());
    reg.WriteInteger("PROXY", dialog.Proxy->isChecked() ? 1 : 0);
    reg.WriteString("PROXYNAME", dialog.ProxyName->text().toStdString());
    if (nombres.Port)
        reg.WriteInteger("PROXYPORT", *nombres.Port);
    reg.WriteInteger("MAJ", dialog.Maj->isChecked() ? 1 : 0);
    reg.WriteInteger("MAJTYPE", dialog.Type->ItemIndex());
    reg.WriteInteger("TEMPS", dialog.Duree->value());
    FRefresh->FollowSettings();
    doc.CouvC = nombres.CouvC;
    doc.CouvT = nombres.CouvT;
    doc.LoadSettings(reg);
    if (Commute->isChecked()) {
        Commute->setText(QString("&Affichage en ") + QString::fromStdString(doc.LibLocal));
        LibMon->setText("Affichage en Euros");
    }
    key.Close();
    RefreshViews(nullptr);
    doc.Modifie = true;
}
