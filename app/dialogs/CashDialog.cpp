#include "dialogs/CashDialog.h"

#include "views/ViewText.h"
#include "widgets/DialogButtons.h"
#include "widgets/QtDates.h"
#include "widgets/TypingLimits.h"
#include "widgets/UiPrompts.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "portfolio/CvFileFields.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <memory>
#include <string>

Tcash* cash = nullptr;

namespace {

// A movement's cents in the displayed currency: the amount times the rate, cut at the cent
// once the tenth of a cent is rounded, as the lists show it. Computed in double from the whole
// cents, so that no amount loses a cent to single precision.
std::int64_t MontantAffiche(std::int32_t cents, double facteur) {
    return platform::Trunc64(std::round(static_cast<double>(cents) * facteur * 10.0)) / 10;
}

bool Pareil(const Mvt& a, const Mvt& b) {
    return a.Pointe == b.Pointe && a.Date == b.Date && a.Sens == b.Sens && a.Montant == b.Montant &&
           a.Comment == b.Comment;
}

} // namespace

Tcash::Tcash(QWidget* owner, TCorv* portefeuille, UiPrompts& prompts)
    : QDialog(owner), FPortefeuille(portefeuille), FPrompts(prompts) {
    setObjectName("cash");
    setWindowTitle("Gestion des mouvements");

    TypMnt = new QLabel(this);
    TypMnt->setObjectName("TypMnt");
    TypMnt->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    TypMnt->setAlignment(Qt::AlignCenter);

    DateOp = MakeDatePicker(this, "DateOp");
    CB1 = new QComboBox(this);
    CB1->setObjectName("CB1");
    CB1->addItem(QString("Crédit"));
    CB1->addItem(QString("Débit"));
    Cours = new QLineEdit(this);
    Cours->setObjectName("Cours");
    Cours->setMaxLength(12);
    Comment = new QLineEdit(this);
    Comment->setObjectName("Comment");
    Comment->setMinimumWidth(260);
    // A comment is written on one line of the portfolio file, which it may fill: what is
    // typed stops there, so that a save never has to refuse it.
    LimiteFrappe::Pose(Comment, 0);
    LimiteFrappe::PartageOctets({Comment}, cvfile::kMaxLineTexts);

    auto* champs = new QFormLayout;
    champs->addRow(QString("Date"), DateOp);
    champs->addRow(QString("Sens"), CB1);
    champs->addRow(QString("Montant"), Cours);
    champs->addRow(QString("Commentaire"), Comment);

    const BoutonsSaisie pied = MakeBoutonsSaisie(this, true);
    OKBtn = pied.OKBtn;
    Suivant = pied.Suivant;
    CancelBtn = pied.CancelBtn;
    QHBoxLayout* boutons = pied.Rangee;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TypMnt);
    layout->addLayout(champs);
    layout->addLayout(boutons);

    setTabOrder(DateOp, CB1);
    setTabOrder(CB1, Cours);
    setTabOrder(Cours, Comment);
    setTabOrder(Comment, OKBtn);
    setTabOrder(OKBtn, Suivant);
    setTabOrder(Suivant, CancelBtn);

    connect(OKBtn, &QPushButton::clicked, this, &Tcash::OKBtnClick);
    connect(Suivant, &QPushButton::clicked, this, [this] { SuivantClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    TypMnt->setText(FPortefeuille != nullptr ? QString::fromStdString(TypMntText(*FPortefeuille))
                                             : QString("Montants exprimés en Euros"));

    FormCreate();
}

void Tcash::FormCreate() {
    DateOp->setDate(ToQDate(platform::Date()));
    CB1->setCurrentIndex(0);
    FModif = false;
}

void Tcash::EditMouvement(Mvt* mouvement) {
    if (mouvement == nullptr || FPortefeuille == nullptr)
        return;
    DateOp->setDate(ToQDate(mouvement->Date));
    CB1->setCurrentIndex(mouvement->Sens == 'D' ? 1 : 0);
    Cours->setText(QString::fromStdString(ChampMontantText(
        MontantAffiche(mouvement->Montant, static_cast<double>(FPortefeuille->Facteur)))));
    FMontantAffiche = Cours->text();
    LimiteFrappe::Montre(Comment, QString::fromStdString(mouvement->Comment));
    FSensMontre = CB1->currentIndex();
    FDateMontre = DateOp->date();
    FCommentMontre = Comment->text();
    Suivant->setEnabled(false);
    Suivant->setDefault(false);
    OKBtn->setDefault(true);
    FModif = true;
    FMouvement = mouvement;
}

bool Tcash::SuivantClick() {
    bool enregistre = false;
    try {
        if (FPortefeuille == nullptr || (FModif && FMouvement == nullptr))
            return false;
        TCorv& doc = *FPortefeuille;

        // Everything is read before anything is written, so that a refused entry leaves a
        // movement being changed exactly as it was.
        const Mvt saisie = Saisie(doc);
        if (FModif && Pareil(saisie, *FMouvement)) {
            // Nothing changed: the movement stays exactly as it was, whatever it holds.
            enregistre = true;
        } else if (const Refus refus =
                       FModif ? doc.ReplaceMvt(FMouvement, saisie) : doc.AddMvt(saisie)) {
            FPrompts.Message(this, QString(), QString::fromStdString(refus.Texte()),
                             QMessageBox::Warning, QMessageBox::Ok);
        } else {
            ++FEnregistres;
            enregistre = true;

            Cours->setText("0");
            DateOp->setDate(ToQDate(platform::Date()));
            Comment->clear();
        }
    } catch (const platform::ConversionError& erreur) {
        FPrompts.Message(this, "Corvane", QString::fromStdString(erreur.what()),
                         QMessageBox::Critical, QMessageBox::Ok);
    }
    DateOp->setFocus();
    return enregistre;
}

Mvt Tcash::Saisie(const TCorv& doc) const {
    // A field of a movement being changed that the user left as shown keeps the value it
    // was given, whatever the field could show of it.
    const bool modif = FModif && FMouvement != nullptr;
    Mvt m = modif ? *FMouvement : Mvt{};
    if (!modif || CB1->currentIndex() != FSensMontre)
        m.Sens = CB1->currentIndex() == 0 ? 'C' : 'D';
    if (!modif || DateOp->date() != FDateMontre)
        m.Date = FromQDate(DateOp->date());
    m.Montant = MontantSaisi(doc);
    if (!modif || Comment->text() != FCommentMontre)
        m.Comment = Comment->text().toStdString();
    return m;
}

std::int32_t Tcash::MontantSaisi(const TCorv& doc) const {
    // The local currency's cents do not all come back to the euro cents they were shown
    // from: an amount that was not retyped keeps what the document holds.
    if (FModif && FMouvement != nullptr && Cours->text() == FMontantAffiche)
        return FMouvement->Montant;
    const std::int32_t saisi = doc.TextToCents(Cours->text().toStdString());
    // The amount is typed in the currency shown: back to euro cents, truncated. A factor that
    // is not positive cannot convert anything.
    const double facteur = static_cast<double>(doc.Facteur);
    return facteur > 0.0 ? platform::Trunc32(static_cast<double>(saisi) / facteur) : 0;
}

void Tcash::OKBtnClick() {
    // A refused entry keeps the dialog open, so that what was typed can be corrected rather
    // than lost.
    if (!SuivantClick())
        return;
    FValide = true;
    accept();
}
