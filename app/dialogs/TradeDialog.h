#pragma once

// The trade dialog ("Ajout d'un opéré"): one trade of one security. While the user types it
// shows the fees of the document's schedules, the gross and net amounts, the average purchase
// price after a purchase, the realised gains of a sale (or of a purchase covering a short
// position), and the cash now and at the next settlement once the trade is counted.
// "OK && Suivant" stores a new trade at once and keeps the dialog open for the next one.
//
// The dialog is given the trade to modify, or none for new trades of a security, and shows it
// itself. "OK" and "OK && Suivant" hand the trade as typed to the one storing callback it is
// given, and stay open on its refusal; once it is closed with OK, Resultat gives the trade as
// typed. It never changes the document's cash totals: the cash preview of a modification
// leaves the trade out by itself.

#include "portfolio/Cv.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TCorv;
class UiPrompts;

// What the trade as typed does to the position just before it: gains, amounts, new average.
struct ApercuOpere {
    std::int64_t ValBrut = 0;
    std::int64_t ValNet = 0;
    std::int64_t MntBrut = 0;
    std::int64_t MntNet = 0;
    std::optional<std::int64_t> PxAch; // the new average after a purchase; none after a sale
    std::int64_t EffetCash = 0;        // what the trade adds to the cash (negative for a buy)
};

// sale: "Vente"; q > 0 shares at p cents with f cents of fees, on the position b.
// Replays the trade on a copy of b, by the same rule as the positions.
ApercuOpere CalculApercu(const BilanTitre& b, bool vente, std::int32_t q, std::int32_t p,
                         std::int64_t f);

class TAddOper : public QDialog {
    Q_OBJECT
public:
    // Stores a trade as typed, giving the record the document now holds in stocke, or refuses
    // it.
    using Enregistrement = std::function<Refus(const Operes& saisie, Operes** stocke)>;

    // opere: the trade being modified (owned by the document), or nullptr for new trades.
    // titre: the security whose trades are entered. prompts: where refusals, conversion errors
    // and the fee calculator are shown; not owned. enregistre: stores what OK and "OK &&
    // Suivant" accept. refresh: redisplays the security once "OK && Suivant" stored a trade;
    // without it the document's totals are recomputed.
    TAddOper(QWidget* owner, TCorv* portefeuille, Operes* opere, Valeurs* titre, UiPrompts& prompts,
             Enregistrement enregistre, std::function<void(Valeurs*)> refresh = nullptr);

    // Once closed with OK: the trade as typed (not ticked), which the dialog has checked; for a
    // modification only when the user changed something, so that a trade validated untouched
    // stays exactly as it was.
    std::optional<Operes> Resultat() const;

    // DateOp today, CB1 "Achat".
    void FormCreate();
    // Makes the cash preview of a modification count the trade as typed instead of as it was.
    // The dialog runs it once it shows the trade.
    void ReverseCashEffect();
    // Fees from the schedules, then the preview; a price or fee that is no figure yet blanks
    // the preview rather than interrupt the typing.
    void CoursChange();
    // Gains, amounts, average purchase price and cash of the trade as typed.
    void CPlusValue();
    // The option follows the date and eligibility; fees and preview follow.
    void DateOpChange();
    // The fee calculator for one of SRD, Frais1, Frais2.
    void Frais1DblClick(QLineEdit* champ);
    // Alt+C opens the calculator; true when the key was taken.
    bool Frais1KeyDown(QLineEdit* champ, int key, Qt::KeyboardModifiers modifiers);
    // True when the key must not reach the quantity's text (Enter).
    bool QteKeyPress(const QKeyEvent& event) const;
    // Stores the trade as a new one of the security; false when it was refused.
    bool SuivantClick();
    // Closes with OK once the entry is acceptable.
    void OKBtnClick();

    // The trade as typed, every field read before any is kept. Throws
    // platform::ConversionError on a text that does not convert (an empty quantity included).
    Operes Saisie() const;
    // A trade the document keeps (TCorv::OpereValide), and no computed fee left out for not
    // fitting (FFraisSatures).
    bool SaisieAcceptee(const Operes& opere) const;
    // The deferred-settlement option as it applies: enabled and checked.
    bool OptionSRD() const;

    // An amount in cents as the dialog shows it.
    static QString Montant(std::int64_t cents);
    // 25 September 2000: trades after it use the deferred-settlement option.
    static double DebutSRD();

    QDateEdit* DateOp = nullptr;
    QComboBox* CB1 = nullptr;
    QSpinBox* Qte = nullptr;
    QLineEdit* Cours = nullptr;
    QLineEdit* SRD = nullptr;
    QLineEdit* Frais1 = nullptr;
    QLineEdit* Frais2 = nullptr;
    QLineEdit* PxAch = nullptr;
    QCheckBox* ChkSRD = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* Suivant = nullptr;
    QPushButton* CancelBtn = nullptr;
    QLineEdit* ValBr = nullptr;
    QLineEdit* ValNette = nullptr;
    QLineEdit* MntBrut = nullptr;
    QLineEdit* MntNet = nullptr;
    QLineEdit* Cash = nullptr;
    QLineEdit* CashLq = nullptr;
    QLabel* Valeur = nullptr;
    QLabel* Libelle = nullptr;

    TCorv* FPortefeuille = nullptr; // not owned
    Operes* FOpere = nullptr;       // owned by the document
    Valeurs* FTitre = nullptr;      // owned by the document
    bool FValide = false;
    int FEnregistres = 0; // trades stored by "OK && Suivant"

    Enregistrement FEnregistre;
    // Redisplays the security after "OK && Suivant" stored a trade.
    std::function<void(Valeurs*)> FRefresh;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the trade to modify, or a new trade of the security at its last price.
    void Montre();
    // The quantity typed; 0 when empty if vide0, else a conversion error.
    std::int32_t Quantite(bool vide0) const;
    void EnableFees();
    // A price or fee is checked once its field is left, and again at OK: while it is being
    // typed ("1 2" on the way to "1 234,56") it is no figure yet, and the preview is blank.
    void ChampQuitte(const QLineEdit* champ);
    void EffaceApercu();
    // Once the entry as typed is acceptable, rendu (the entry, or the trade being modified
    // when it was left untouched) handed to FEnregistre; false, once the refusal is shown, when
    // nothing was stored.
    bool Enregistre(const Operes& saisie, const Operes& rendu, Operes** stocke);
    void Erreur(const std::exception& erreur);

    UiPrompts& FPrompts;
    // Cash effect of the trade being modified, as ReverseCashEffect found it: the preview
    // takes it off the document's totals.
    std::int64_t FRetraitCash = 0;
    std::int64_t FRetraitCashLiq = 0;
    // What the last preview found: the position just before the trade (a copy; the
    // document's own stays whole), and whether it showed the average after a purchase.
    std::optional<BilanTitre> FPosition;
    bool FApercuAchat = false;
    // Writes a computed fee into its field. A fee at the engine's 32-bit ceiling is not the
    // schedule's fee but its cut: the field is left empty rather than show it, and the entry
    // is refused until a fee is typed there or the quantity, price or option give one that
    // fits.
    void MontreFrais(QLineEdit* champ, std::int32_t frais);

    // The fee fields left empty by MontreFrais for a fee that did not fit.
    std::vector<const QLineEdit*> FFraisSatures;

    // The user changed a field since the dialog showed the trade.
    bool FTouche = false;
    // The entry that OK accepted.
    std::optional<Operes> FResultat;
};

// The trade dialog while it is shown.
extern TAddOper* AddOper;
