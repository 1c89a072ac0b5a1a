#include "dialogs/TradeDialog.h"

#include "dialogs/FeeCalculatorDialog.h"
#include "views/ViewText.h"
#include "widgets/DialogButtons.h"
#include "widgets/QtDates.h"
#include "widgets/UiPrompts.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/DateTime.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>

TAddOper* AddOper = nullptr;

namespace {

std::int64_t Cents(const TCorv& doc, const QLineEdit* champ) {
    return doc.TextToCents(champ->text().toStdString());
}

// The largest quantity that can be typed.
constexpr int kQuantiteMax = 9999999;

// The fee engine holds each fee in 32 bits and stops at the ceiling: a fee there is not the
// schedule's fee but its cut, which no trade can carry with an amount of at least one cent.
bool Sature(std::int32_t frais) {
    return frais == std::numeric_limits<std::int32_t>::max();
}

} // namespace

ApercuOpere CalculApercu(const BilanTitre& b, bool vente, std::int32_t q, std::int32_t p,
                         std::int64_t f) {
    ApercuOpere a;
    if (q <= 0)
        return a;
    BilanTitre apres = b;
    const GainsOpere gains = ReplayOpere(apres, vente ? 'V' : 'A', q, p, f);
    a.ValBrut = gains.Brut;
    a.ValNet = gains.Net;
    a.MntBrut = platform::Mul64(q, p);
    if (vente) {
        a.MntNet = a.MntBrut - f;
        a.EffetCash = a.MntBrut - f;
    } else {
        // A position left short or flat holds no purchased share, whatever average the block
        // still carries from an earlier long position.
        a.PxAch = std::int64_t{b.NbInPort} + q > 0 ? apres.PxMoyAchBrut : 0;
        a.MntNet = a.MntBrut + f;
        a.EffetCash = -(a.MntBrut + f);
    }
    return a;
}

QString TAddOper::Montant(std::int64_t cents) {
    return QString::fromStdString(ChampMontantText(cents));
}

double TAddOper::DebutSRD() {
    // The document's own boundary, so that the option and the positions agree.
    return TCorv::FinSrdObligatoire();
}

TAddOper::TAddOper(QWidget* owner, TCorv* portefeuille, Operes* opere, Valeurs* titre,
                   UiPrompts& prompts, Enregistrement enregistre,
                   std::function<void(Valeurs*)> refresh)
    : QDialog(owner), FPortefeuille(portefeuille), FOpere(opere), FTitre(titre),
      FEnregistre(std::move(enregistre)), FRefresh(std::move(refresh)), FPrompts(prompts) {
    setObjectName("AddOper");
    setWindowTitle(QString("Ajout d'un opéré"));
    const auto edit = [this](const char* name, int limite) {
        auto* champ = new QLineEdit(this);
        champ->setObjectName(name);
        champ->setAlignment(Qt::AlignRight);
        if (limite > 0)
            champ->setMaxLength(limite);
        return champ;
    };
    const auto lecture = [&edit](const char* name) {
        QLineEdit* champ = edit(name, 0);
        champ->setReadOnly(true);
        champ->setFocusPolicy(Qt::NoFocus);
        return champ;
    };

    Valeur = new QLabel(this);
    Valeur->setObjectName("Valeur");
    Libelle = new QLabel(this);
    Libelle->setObjectName("Libelle");
    for (QLabel* texte : {Valeur, Libelle}) {
        QFont gras = texte->font();
        gras.setBold(true);
        texte->setFont(gras);
        texte->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        texte->setMinimumWidth(90);
    }
    Libelle->setMinimumWidth(260);

    DateOp = MakeDatePicker(this, "DateOp");
    CB1 = new QComboBox(this);
    CB1->setObjectName("CB1");
    CB1->addItem(QString("Achat"));
    CB1->addItem(QString("Vente"));
    Qte = new QSpinBox(this);
    Qte->setObjectName("Qte");
    Qte->setRange(1, kQuantiteMax);
    Qte->setAlignment(Qt::AlignRight);
    Cours = edit("Cours", 12);
    SRD = edit("SRD", 12);
    Frais1 = edit("Frais1", 12);
    Frais2 = edit("Frais2", 12);
    PxAch = edit("PxAch", 0);
    PxAch->setEnabled(false);
    ChkSRD = new QCheckBox(QString("Opéré en réglement différé"), this);
    ChkSRD->setObjectName("ChkSRD");
    ChkSRD->setToolTip(QString("Cliquez sur ce champ si l'opération a lieu en réglement différé"));
    ChkSRD->setChecked(false);
    ChkSRD->setEnabled(false);

    ValBr = lecture("ValBr");
    ValNette = lecture("ValNette");
    MntBrut = lecture("MntBrut");
    MntNet = lecture("MntNet");
    Cash = lecture("Cash");
    CashLq = lecture("CashLq");

    auto* titre_ = new QHBoxLayout;
    titre_->addWidget(Valeur);
    titre_->addWidget(Libelle, 1);

    auto* saisie = new QGridLayout;
    int ligne = 0;
    for (const auto& [texte, champ] :
         std::initializer_list<std::pair<const char*, QWidget*>>{{"Date", DateOp},
                                                                 {"Type", CB1},
                                                                 {"Quantité", Qte},
                                                                 {"Cours", Cours},
                                                                 {"S.R.D", SRD},
                                                                 {"Frais1", Frais1},
                                                                 {"Frais2", Frais2},
                                                                 {"Px Ach. Moy", PxAch}}) {
        saisie->addWidget(new QLabel(QString::fromUtf8(texte), this), ligne, 0);
        saisie->addWidget(champ, ligne, 1);
        ++ligne;
    }
    saisie->addWidget(ChkSRD, ligne, 0, 1, 2);

    auto* apercu = new QGridLayout;
    apercu->addWidget(new QLabel(QString("Brut"), this), 0, 1, Qt::AlignCenter);
    apercu->addWidget(new QLabel(QString("Net."), this), 0, 2, Qt::AlignCenter);
    apercu->addWidget(new QLabel(QString("+Value :"), this), 1, 0);
    apercu->addWidget(ValBr, 1, 1);
    apercu->addWidget(ValNette, 1, 2);
    apercu->addWidget(new QLabel(QString("Montant  :"), this), 2, 0);
    apercu->addWidget(MntBrut, 2, 1);
    apercu->addWidget(MntNet, 2, 2);
    apercu->addWidget(new QLabel(QString("Cash :"), this), 3, 0);
    apercu->addWidget(Cash, 3, 1);
    apercu->addWidget(new QLabel(QString("Pos. Liq. :"), this), 4, 0);
    apercu->addWidget(CashLq, 4, 1);
    apercu->setRowStretch(5, 1);
    for (QLineEdit* champ : {ValBr, ValNette, MntBrut, MntNet, Cash, CashLq})
        champ->setMinimumWidth(110);

    auto* corps = new QHBoxLayout;
    corps->addLayout(saisie);
    corps->addSpacing(16);
    corps->addLayout(apercu, 1);

    const BoutonsSaisie pied = MakeBoutonsSaisie(this, true);
    OKBtn = pied.OKBtn;
    Suivant = pied.Suivant;
    CancelBtn = pied.CancelBtn;
    QHBoxLayout* boutons = pied.Rangee;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(titre_);
    layout->addLayout(corps);
    layout->addLayout(boutons);

    setTabOrder(DateOp, CB1);
    setTabOrder(CB1, Qte);
    setTabOrder(Qte, Cours);
    setTabOrder(Cours, SRD);
    setTabOrder(SRD, Frais1);
    setTabOrder(Frais1, Frais2);
    setTabOrder(Frais2, PxAch);
    setTabOrder(PxAch, ChkSRD);
    setTabOrder(ChkSRD, OKBtn);
    setTabOrder(OKBtn, Suivant);
    setTabOrder(Suivant, CancelBtn);

    FormCreate();

    // The option at construction: the trade's own flag when one is modified; a new trade of
    // an eligible security starts as a deferred-settlement trade.
    const bool eligible = FTitre != nullptr && FTitre->SRD;
    if (FOpere != nullptr) {
        if (eligible && FOpere->Date > DebutSRD()) {
            ChkSRD->setEnabled(true);
            ChkSRD->setChecked(FOpere->SRD);
        }
    } else if (eligible && platform::Date() > DebutSRD()) {
        ChkSRD->setEnabled(true);
        ChkSRD->setChecked(true);
    }
    EnableFees();

    // The spin box's own signal stays silent while its text is empty; its editor's does not.
    connect(Qte->findChild<QLineEdit*>(), &QLineEdit::textChanged, this, &TAddOper::CoursChange);
    connect(Cours, &QLineEdit::textChanged, this, &TAddOper::CoursChange);
    for (QLineEdit* montant : {Cours, SRD, Frais1, Frais2})
        connect(montant, &QLineEdit::editingFinished, this,
                [this, montant] { ChampQuitte(montant); });
    connect(CB1, &QComboBox::currentIndexChanged, this, &TAddOper::CPlusValue);
    for (QLineEdit* frais : {SRD, Frais1, Frais2}) {
        connect(frais, &QLineEdit::textChanged, this, &TAddOper::CPlusValue);
        // A fee typed over the schedule's is the one the trade carries.
        connect(frais, &QLineEdit::textEdited, this,
                [this, frais] { std::erase(FFraisSatures, frais); });
        frais->installEventFilter(this);
    }
    connect(DateOp, &QDateEdit::dateChanged, this, &TAddOper::DateOpChange);
    connect(ChkSRD, &QCheckBox::toggled, this, &TAddOper::DateOpChange);
    Qte->installEventFilter(this);
    connect(OKBtn, &QPushButton::clicked, this, &TAddOper::OKBtnClick);
    connect(Suivant, &QPushButton::clicked, this, [this] { SuivantClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    // Whatever the user changes counts; what the dialog writes itself is done under blockers.
    const auto touche = [this] { FTouche = true; };
    connect(Qte->findChild<QLineEdit*>(), &QLineEdit::textChanged, this, touche);
    connect(CB1, &QComboBox::currentIndexChanged, this, touche);
    for (QLineEdit* champ : {Cours, SRD, Frais1, Frais2})
        connect(champ, &QLineEdit::textChanged, this, touche);
    connect(DateOp, &QDateEdit::dateChanged, this, touche);
    connect(ChkSRD, &QCheckBox::toggled, this, touche);

    Montre();
}

void TAddOper::Montre() {
    if (FTitre != nullptr) {
        Valeur->setText(QString::fromStdString(FTitre->Code));
        Libelle->setText(QString::fromStdString(FTitre->Libelle));
    }
    if (FOpere != nullptr) {
        setWindowTitle(QString("Modification d'un opéré"));
        Suivant->setEnabled(false);
        Suivant->setDefault(false);
        OKBtn->setDefault(true);
        // The quantity box takes the stored quantity whole, even beyond what can be typed.
        Qte->setRange(std::min(1, FOpere->Quantite), std::max(kQuantiteMax, FOpere->Quantite));
        // The quantity and the price recompute the fees: the stored fees come last.
        CB1->setCurrentIndex(FOpere->Sens == 'V' ? 1 : 0);
        Qte->setValue(FOpere->Quantite);
        Cours->setText(Montant(FOpere->Cours));
        PxAch->setText(Montant(FOpere->PxMoyAchBrut));
        ValBr->setText(Montant(FOpere->PlValBrut));
        ValNette->setText(Montant(FOpere->PlValNet));
        DateOp->setDate(ToQDate(FOpere->Date));
        SRD->setText(Montant(FOpere->FraisSRD));
        Frais1->setText(Montant(FOpere->Frais1));
        Frais2->setText(Montant(FOpere->Frais2));
        CPlusValue();
    } else if (FTitre != nullptr) {
        PxAch->setText(Montant(FTitre->Bilan.PxMoyAchBrut));
        ValBr->setText(Montant(0));
        ValNette->setText(Montant(0));
        Qte->setValue(1);
        Cours->setText(Montant(FTitre->Infos.Cours));
    }
    ReverseCashEffect();
    FTouche = false;
}

std::optional<Operes> TAddOper::Resultat() const {
    if (FOpere != nullptr && !FTouche)
        return std::nullopt;
    return FResultat;
}

void TAddOper::FormCreate() {
    DateOp->setDate(ToQDate(platform::Date()));
    CB1->setCurrentIndex(0);
}

bool TAddOper::OptionSRD() const {
    return ChkSRD->isEnabled() && ChkSRD->isChecked();
}

void TAddOper::EnableFees() {
    const bool option = OptionSRD();
    SRD->setEnabled(option);
    Frais1->setEnabled(!(option && FPortefeuille != nullptr && !FPortefeuille->AjoutFrais1SRD));
}

void TAddOper::Erreur(const std::exception& erreur) {
    FPrompts.Message(this, "Corvane", QString::fromStdString(erreur.what()), QMessageBox::Critical,
                     QMessageBox::Ok);
}

std::int32_t TAddOper::Quantite(bool vide0) const {
    const std::string texte = Qte->cleanText().trimmed().toStdString();
    if (texte.empty() && vide0)
        return 0;
    return platform::ReadWholeNumber(texte);
}

void TAddOper::CoursChange() {
    if (FPortefeuille == nullptr)
        return;
    FPosition.reset();
    FApercuAchat = false;
    const TCorv& doc = *FPortefeuille;
    try {
        CalculFrais calcul;
        calcul.SRD = OptionSRD();
        calcul.Quantite = Quantite(true);
        calcul.Cours = doc.TextToCents(Cours->text().toStdString());
        std::int64_t total = 0;
        if (calcul.Quantite != 0)
            total = doc.ComputeFrais(calcul);
        {
            // The preview below reads the three fees together, once they are all written.
            const QSignalBlocker b1(SRD), b2(Frais1), b3(Frais2);
            MontreFrais(SRD, calcul.FraisSRD);
            MontreFrais(Frais1, calcul.Frais1);
            MontreFrais(Frais2, calcul.Frais2);
        }
        const std::int64_t brut = platform::Mul64(calcul.Quantite, calcul.Cours);
        MntBrut->setText(Montant(brut));
        MntNet->setText(Montant(CB1->currentIndex() == 1 ? brut - total : brut + total));
    } catch (const platform::ConversionError&) {
        EffaceApercu();
        return;
    }
    CPlusValue();
}

void TAddOper::CPlusValue() {
    FPosition.reset();
    FApercuAchat = false;
    if (FPortefeuille == nullptr || FTitre == nullptr)
        return;
    TCorv& doc = *FPortefeuille;
    std::int64_t f = 0;
    std::int32_t p = 0, q = 0;
    try {
        p = doc.TextToCents(Cours->text().toStdString());
        f = Cents(doc, Frais1) + Cents(doc, Frais2) + Cents(doc, SRD);
        q = Quantite(true);
    } catch (const platform::ConversionError&) {
        EffaceApercu();
        return;
    }
    const double date = FromQDate(DateOp->date());

    // The position just before the trade being typed, on a copy: the document keeps the full
    // position and the trades their computed fields.
    FPosition = doc.PositionAvant(*FTitre, date, FOpere);
    if (q == 0)
        return;

    const bool vente = CB1->currentIndex() == 1;
    const ApercuOpere a = CalculApercu(*FPosition, vente, q, p, f);
    if (a.PxAch) {
        PxAch->setText(Montant(*a.PxAch));
        FApercuAchat = true;
    }
    ValBr->setText(Montant(a.ValBrut));
    ValNette->setText(Montant(a.ValNet));
    MntBrut->setText(Montant(a.MntBrut));
    MntNet->setText(Montant(a.MntNet));

    const std::int64_t cash = std::int64_t{doc.Cash} - FRetraitCash;
    const std::int64_t cashLiq = std::int64_t{doc.CashLiq} - FRetraitCashLiq;
    Cash->setText(Montant(doc.IsSrdPending(FTitre, date, OptionSRD()) ? cash : cash + a.EffetCash));
    CashLq->setText(Montant(cashLiq + a.EffetCash));
}

void TAddOper::EffaceApercu() {
    for (QLineEdit* champ : {ValBr, ValNette, MntBrut, MntNet, Cash, CashLq})
        champ->clear();
}

void TAddOper::ChampQuitte(const QLineEdit* champ) {
    if (FPortefeuille == nullptr)
        return;
    try {
        (void)Cents(*FPortefeuille, champ);
    } catch (const platform::ConversionError& erreur) {
        Erreur(erreur);
    }
}

void TAddOper::DateOpChange() {
    if (FPortefeuille == nullptr)
        return;
    const double date = FromQDate(DateOp->date());
    {
        // The option's own click would bring us back here.
        const QSignalBlocker bloque(ChkSRD);
        if (FTitre != nullptr && FTitre->SRD && date > DebutSRD()) {
            ChkSRD->setEnabled(true);
        } else {
            ChkSRD->setChecked(false);
            ChkSRD->setEnabled(false);
        }
    }
    EnableFees();
    CoursChange();
    // A purchase's preview has just shown the average after it; otherwise the field shows the
    // average of the position at the date, which a sale does not change.
    if (FPosition && !FApercuAchat)
        PxAch->setText(Montant(FPosition->PxMoyAchBrut));
}

void TAddOper::ReverseCashEffect() {
    if (FPortefeuille == nullptr || FOpere == nullptr)
        return;
    const TCorv& doc = *FPortefeuille;
    std::int64_t q = 0, p = 0, f = 0;
    try {
        q = Quantite(true);
        p = Cents(doc, Cours);
        f = Cents(doc, Frais1) + Cents(doc, Frais2) + Cents(doc, SRD);
    } catch (const platform::ConversionError& erreur) {
        Erreur(erreur);
        return;
    }
    const std::int64_t effet = CB1->currentIndex() == 1 ? q * p - f : -(q * p + f);
    Cash->setText(Montant(doc.Cash));
    CashLq->setText(Montant(doc.CashLiq));

    // The document's totals stay as they are; the preview takes the trade off them itself, so
    // that a recomputation while the dialog is open cannot count it twice.
    FRetraitCash = doc.IsSrdPending(FTitre, FromQDate(DateOp->date()), OptionSRD()) ? 0 : effet;
    FRetraitCashLiq = effet;
}

Operes TAddOper::Saisie() const {
    Operes o;
    if (FPortefeuille == nullptr)
        return o;
    const TCorv& doc = *FPortefeuille;
    o.Pointe = false;
    o.SRD = OptionSRD();
    o.Sens = CB1->currentIndex() == 0 ? 'A' : 'V';
    o.Quantite = Quantite(false);
    o.Date = FromQDate(DateOp->date());
    o.Cours = doc.TextToCents(Cours->text().toStdString());
    o.FraisSRD = doc.TextToCents(SRD->text().toStdString());
    o.Frais1 = doc.TextToCents(Frais1->text().toStdString());
    o.Frais2 = doc.TextToCents(Frais2->text().toStdString());
    o.Frais = platform::Saturate32(std::int64_t{o.FraisSRD} + o.Frais1 + o.Frais2);
    // The replay of the position writes these three again; a preview too large for the record
    // must not stop the trade from being stored.
    const auto calcule = [&doc](const QLineEdit* champ) -> std::int32_t {
        try {
            return doc.TextToCents(champ->text().toStdString());
        } catch (const platform::ConversionError&) {
            return 0;
        }
    };
    o.PxMoyAchBrut = calcule(PxAch);
    o.PlValBrut = calcule(ValBr);
    o.PlValNet = calcule(ValNette);
    return o;
}

bool TAddOper::SaisieAcceptee(const Operes& opere) const {
    return FFraisSatures.empty() && TCorv::OpereValide(opere);
}

bool TAddOper::Enregistre(const Operes& saisie, const Operes& rendu, Operes** stocke) {
    if (!SaisieAcceptee(saisie)) {
        FPrompts.Message(this, QString(), QString("Saisie incorrecte!"), QMessageBox::Warning,
                         QMessageBox::Ok);
        return false;
    }
    if (const Refus refus = FEnregistre ? FEnregistre(rendu, stocke) : Refus()) {
        FPrompts.Message(this, "Corvane", QString::fromStdString(refus.Texte()),
                         QMessageBox::Warning, QMessageBox::Ok);
        return false;
    }
    return true;
}

bool TAddOper::SuivantClick() {
    bool enregistre = false;
    try {
        if (FPortefeuille != nullptr && FTitre != nullptr) {
            TCorv& doc = *FPortefeuille;
            Operes* stocke = nullptr;
            const Operes saisie = Saisie();
            if (Enregistre(saisie, saisie, &stocke)) {
                ++FEnregistres;
                enregistre = true;
                if (stocke != nullptr)
                    PxAch->setText(Montant(stocke->PxMoyAchBrut));
                if (FRefresh)
                    FRefresh(FTitre);
                else
                    doc.ComputeTotals();
                // The fields keep their values: the preview is now that of the same trade
                // again, on top of the position that counts the one just stored.
                CPlusValue();
            }
        }
    } catch (const platform::ConversionError& erreur) {
        Erreur(erreur);
    }
    DateOp->setFocus();
    return enregistre;
}

void TAddOper::OKBtnClick() {
    // A refused entry keeps the dialog open, so that what was typed can be corrected rather
    // than dropped.
    try {
        const Operes saisie = Saisie();
        // Validated untouched, a trade being modified is handed back as it is.
        const bool touche = FOpere == nullptr || FTouche;
        if (!Enregistre(saisie, touche ? saisie : *FOpere, nullptr)) {
            DateOp->setFocus();
            return;
        }
        FResultat = saisie;
    } catch (const platform::ConversionError& erreur) {
        Erreur(erreur);
        return;
    }
    FValide = true;
    accept();
}

void TAddOper::Frais1DblClick(QLineEdit* champ) {
    int kind = -1;
    if (champ == Frais1)
        kind = 1;
    else if (champ == Frais2)
        kind = 2;
    else if (champ == SRD && OptionSRD())
        kind = 0;
    if (kind < 0 || FPortefeuille == nullptr)
        return;
    std::int32_t q = 0, p = 0;
    try {
        q = Quantite(false);
        p = FPortefeuille->TextToCents(Cours->text().toStdString());
    } catch (const platform::ConversionError& erreur) {
        Erreur(erreur);
        return;
    }
    TForm4 calculette(this, p, q, kind, FPortefeuille, FPrompts);
    if (FPrompts.RunDialog(calculette))
        MontreFrais(champ, calculette.Frais());
}

void TAddOper::MontreFrais(QLineEdit* champ, std::int32_t frais) {
    std::erase(FFraisSatures, champ);
    if (Sature(frais))
        FFraisSatures.push_back(champ);
    champ->setText(Sature(frais) ? QString() : Montant(frais));
}

bool TAddOper::Frais1KeyDown(QLineEdit* champ, int key, Qt::KeyboardModifiers modifiers) {
    if (key != Qt::Key_C || !(modifiers & Qt::AltModifier))
        return false;
    Frais1DblClick(champ);
    return true;
}

bool TAddOper::QteKeyPress(const QKeyEvent& event) const {
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

bool TAddOper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Qte && event->type() == QEvent::KeyPress) {
        auto* touche = static_cast<QKeyEvent*>(event);
        if (QteKeyPress(*touche)) {
            // Left to the dialog, whose default button takes it.
            touche->ignore();
            return true;
        }
        return false;
    }
    auto* champ = qobject_cast<QLineEdit*>(watched);
    if (champ == nullptr || (champ != SRD && champ != Frais1 && champ != Frais2))
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonDblClick) {
        Frais1DblClick(champ);
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* touche = static_cast<const QKeyEvent*>(event);
        return Frais1KeyDown(champ, touche->key(), touche->modifiers());
    }
    return QDialog::eventFilter(watched, event);
}
