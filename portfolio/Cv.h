#pragma once

// The portfolio document: its records and the class TCorv that owns them. The operations
// are implemented by concern in the Cv*.cpp files.

#include "platform/TextFile.h"
#include "portfolio/Refus.h"
#include "quotescan/AskWeb.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// The document's values that the program keeps in its settings rather than in the document
// file: its currency label and rate, and the two settlement dates that each load rolls forward.
struct ReglagesDocument {
    std::string LibLocal;
    double Taux = 0.0;
    double DateLiqP = 0.0;
    double DateLiqC = 0.0;
};

// Position of one security. The first thirteen fields are stored in the portfolio file (for
// the block carried over from purged trades), in this order.
struct BilanTitre {
    std::int32_t NbAchat = 0;
    std::int32_t NbVentes = 0;
    std::int32_t PxMoyAchBrut = 0;
    float PxMoyAchNet = 0.0f; // euros, not cents
    std::int32_t PlValBrut = 0;
    std::int32_t PlValNet = 0;
    std::int32_t TotFrais = 0;
    std::int32_t ARealBrut = 0;
    std::int32_t ARealNet = 0;
    std::int32_t VRealBrut = 0;
    std::int32_t VRealNet = 0;
    std::int32_t PxMoyVenBrut = 0;
    std::int32_t PxMoyVenNet = 0;
    std::int32_t TotFraisPer = 0;
    std::int32_t CoutBrut = 0;
    std::int32_t CoutNet = 0;
    std::int32_t ValorBrut = 0;
    std::int32_t ValorNet = 0;
    std::int32_t ValorBrutAct = 0;
    std::int32_t ValorNetAct = 0;
    std::int32_t AchRMBrut = 0;
    std::int32_t VenRMBrut = 0;
    std::int32_t AchRMNet = 0;
    std::int32_t VenRMNet = 0;
    std::int32_t RealNetRM = 0;
    std::int32_t RealNetTOT = 0;
    std::int32_t NbInPort = 0;
    std::int32_t PlValLatBrut = 0;
    std::int32_t PlValLatNet = 0;
    std::int32_t PlValLatNetSRD = 0;
    std::int32_t RentBrut = 0;
    std::int32_t RentNet = 0;
    std::int32_t RentRes1 = 0;
    std::int32_t RentRes2 = 0;
    std::int32_t RentLatBrut = 0;
    std::int32_t RentLatNet = 0;
    std::int32_t Libre1 = 0;
    std::int32_t Libre2 = 0;

    bool operator==(const BilanTitre&) const = default;
};

// One element of an alarm's condition: a kind 0..10 and its parameter (0: not given yet).
struct ElementAlarme {
    std::int8_t Type = 0;
    std::int32_t Param = 0;
};

// One alarm of a security.
struct SDetAlarme {
    bool Active = false;
    bool Signal = false; // true: buy signal ("Achat"), false: sell signal ("Vente")
    std::string Intitule;
    double DateVal = 0.0; // last day of validity
    ElementAlarme Element1;
    ElementAlarme Element2;
    std::uint8_t Oper = 0; // comparison 0..4
};

// One row of a fee schedule.
struct TrancheFrais {
    std::int32_t Seuil = 0; // cents: lower bound of the trade amount
    float Frais = 0.0f;     // rate before tax
    std::int32_t MntMin = 0;
    float Tva = 0.0f;
    bool PlVal = false; // the rate applies above Seuil only
};

// One trade.
struct Operes {
    bool Pointe = false;
    double Date = 0.0;
    char Sens = 'A'; // 'A' buy, 'V' sale
    std::int32_t Quantite = 0;
    std::int32_t Cours = 0; // cents
    std::int32_t Frais = 0; // FraisSRD + Frais1 + Frais2
    std::int32_t FraisSRD = 0;
    std::int32_t Frais1 = 0;
    std::int32_t Frais2 = 0;
    bool SRD = false;
    std::int32_t PxMoyAchBrut = 0;
    float PxMoyAchNet = 0.0f; // euros
    std::int32_t PxMoyVenBrut = 0;
    std::int32_t PxMoyVenNet = 0;
    std::int32_t PlValBrut = 0;
    std::int32_t PlValNet = 0;

    bool operator==(const Operes&) const = default;
};

// The gains that one trade realises: exact, and as the trade's 32-bit fields hold them (the
// integer forms wrap, the floating-point ones stop at the bounds).
struct GainsOpere {
    std::int64_t Brut = 0;
    std::int64_t Net = 0;
    std::int32_t ChampBrut = 0;
    std::int32_t ChampNet = 0;
};

// The one rule by which a trade changes a position, shared by the replay of the trades and the
// trade dialog's preview. A trade of q shares (q != 0) at u cents with f cents of fees, of sense
// 'A' (a buy) or any other (a sale), on the position b as it stands before it (b.NbInPort
// held, negative when short): writes into b the four averages after the trade and gives the
// gain it realises. Nothing else of b changes.
GainsOpere ReplayOpere(BilanTitre& b, char sens, std::int32_t q, std::int32_t u, std::int64_t f);

// One cash movement.
struct Mvt {
    bool Pointe = false;
    double Date = 0.0;
    char Sens = 'C'; // 'C' credit, 'D' debit
    std::int32_t Montant = 0;
    std::string Comment;
};

// What a movement does to the cash: a credit adds its amount, a debit takes it away, a movement
// of any other sense does nothing.
std::int64_t EffetSurCash(const Mvt& mvt);

// One security.
struct Valeurs {
    std::string Code;
    std::string Libelle;
    std::string Activite;
    std::string NomBourse;
    bool SRD = false;
    bool SuiviAuto = false;
    std::vector<std::unique_ptr<::Operes>> Operes;
    BilanTitre Bilan;
    BilanTitre BilanPurge;
    InfosCours Infos{};
    std::vector<std::unique_ptr<SDetAlarme>> Alarmes;
};

// A new security with the description of titre (identity, flags and last quote) and nothing
// else: no trade, no alarm, both position blocks cleared.
std::unique_ptr<Valeurs> CopyDescription(const Valeurs& titre);
// A whole copy of a security: its description, both position blocks, its trades and alarms.
std::unique_ptr<Valeurs> CopyTitre(const Valeurs& titre);

// A security as the user types it: its identity and its last price.
struct FicheTitre {
    std::string Code;
    std::string Libelle;
    std::string NomBourse;
    std::string Activite;
    std::int32_t Cours = 0; // cents
    bool SRD = true;        // a new security is proposed as eligible to deferred settlement
    bool SuiviAuto = false;

    static FicheTitre De(const Valeurs& titre);
    bool operator==(const FicheTitre&) const = default;
};

// One fee request: SRD, Quantite, Cours in; the three fees out.
struct CalculFrais {
    bool SRD = false;
    std::int32_t Quantite = 0;
    std::int32_t Cours = 0;
    std::int32_t Frais1 = 0;
    std::int32_t Frais2 = 0;
    std::int32_t FraisSRD = 0;
};

// The legacy brackets of an old file's first line.
struct AncienneTranche {
    std::int32_t Seuil = 0;
    float Frais = 0.0f;
    std::int32_t MntMin = 0;
    float Tva = 0.206f;
};

// A history file that exists but cannot be read (no permission, a folder in its place, a read
// error). Nothing is loaded then, so that no later save can write over the file.
class HistoReadError : public std::runtime_error {
public:
    explicit HistoReadError(const std::string& message) : std::runtime_error(message) {}
};

// One day of a history as its file holds it: the amounts in cents.
struct HistoJour {
    double Date = 0.0; // the day, without time
    std::int32_t Cours = 0;
    std::int32_t Haut = 0;
    std::int32_t Bas = 0;
    std::int64_t Volume = 0;
    bool operator==(const HistoJour&) const = default;
};

// What the program last read from or wrote to the file of the loaded history: the days it held
// and their fingerprint. A save tells from them the days changed here from those another
// program (a second window, a second copy of the program) wrote since.
struct HistoVue {
    std::string Chemin;
    platform::FileFingerprint Contenu;
    std::vector<HistoJour> Jours;
};

// The name a security's files take in the data folders ("historique", "intraday"), without
// extension. An ordinary code is its own name; the characters of a code that could name
// another place ("/", "\\", control characters, a code "." or "..") are written as "%XX"
// escapes, and so is "%" itself, so that two codes never share a name and no name leaves its
// folder.
std::string CodeFileName(const std::string& code);

// The portfolio's totals formed exactly (CvGate.cpp): each total of the securities' sums, one per
// field that ComputeTotals adds up, in its order, with how many securities hold a sum of that
// field already beyond their own, and the balance of the cash movements.
struct TotauxExacts {
    static constexpr std::size_t kNombre = 23;
    std::array<std::int64_t, kNombre> Sommes{};
    std::array<std::int32_t, kNombre> TitresHorsLimite{};
    std::int64_t Solde = 0;
};

using ListeTitres = std::vector<std::unique_ptr<Valeurs>>;
using ListeTranches = std::vector<std::unique_ptr<TrancheFrais>>;

class TCorv {
public:
    explicit TCorv(std::string repertoire);
    ~TCorv();
    TCorv(const TCorv&) = delete;
    TCorv& operator=(const TCorv&) = delete;

    bool Modifie = false;
    ListeTitres Titres;
    std::vector<std::unique_ptr<Mvt>> Mouvements;
    bool AjoutFrais1SRD = true;
    ListeTranches TranchesSRD;
    ListeTranches TranchesFrais1;
    ListeTranches TranchesFrais2;

    std::int32_t NbInPort = 0;
    std::int32_t Cash = 0;
    std::int32_t CashLiq = 0;
    std::int32_t ARealBrut = 0;
    std::int32_t ARealNet = 0;
    std::int32_t VRealBrut = 0;
    std::int32_t VRealNet = 0;
    std::int32_t AchRMBrut = 0;
    std::int32_t VenRMBrut = 0;
    std::int32_t AchRMNet = 0;
    std::int32_t VenRMNet = 0;
    std::int32_t CoutBrut = 0;
    std::int32_t CoutNet = 0;
    std::int32_t ValorBrut = 0;
    std::int32_t ValorNet = 0;
    std::int32_t ValorBrutAct = 0;
    std::int32_t ValorNetAct = 0;
    std::int32_t RealNetRM = 0;
    std::int32_t RealNetTOT = 0;
    std::int32_t TotFrais = 0;
    std::int32_t TotFraisPer = 0;
    std::int32_t PlValBrut = 0;
    std::int32_t PlValNet = 0;
    std::int32_t PlValLatBrut = 0;
    std::int32_t PlValLatNet = 0;
    std::int32_t PlValLatNetSRD = 0;
    std::int32_t RentBrut = 0;
    std::int32_t RentNet = 0;
    std::int32_t RentRes1 = 0;
    std::int32_t RentRes2 = 0;

    std::string Fichier;
    std::string LibLocal;
    std::string Repertoire;
    double DateLiqP = 0.0;
    double DateLiqC = 0.0;
    double DateRent = 0.0;
    Valeurs* TitreHisto = nullptr; // not owned
    double DateHisto = 0.0;
    float Taux = 1.0f;
    float Facteur = 1.0f;
    AncienneTranche AncTranche1;
    AncienneTranche AncTranche2;
    float CouvC = 5.0f;
    float CouvT = 5.0f;
    // An alarm fired and was logged since the log was last read: the window flashes.
    bool AlarmeNouvelle = false;
    // The log lines (without their line end) of fired alarms that the alarm check could not
    // append to the log, in firing order: a document never saved has no log, and a log can be
    // read-only or its disk full. The check only adds to it; whoever runs the check tells the
    // user and empties it.
    std::vector<std::string> AlarmesNonJournalisees;

    // Records and totals (CvRecords.cpp).
    // Every security added goes through AddTitre: nullptr when the code is present already,
    // and also, with the reason in refus when given, when CodeRefuse refuses the code.
    Valeurs* AddTitre(const Valeurs& model, std::string* refus = nullptr);
    void FreeOperes(Valeurs* titre);
    Valeurs* FindTitre(const std::string& code) const;
    void ComputeTotals();
    static void SortOperes(Valeurs* titre);
    void SortTitres();

    // The portfolio file (CvFile.cpp). LoadFile gives 0 for an empty file and for a path that
    // is not a readable regular file, and throws platform::ConversionError on a malformed line
    // or a read error. What it read as it is but the writer would not have written (a security
    // described twice, a text the save refuses, a cash line without its end mark) it tells in
    // remarques when given, one French sentence per finding, naming its line. SaveFile gives false
    // when nothing was written, and then tells why in raison when given: among others a text that
    // the file cannot keep as it is, named with its record (nothing is ever shortened or replaced).
    bool SaveFile(std::string* raison = nullptr);
    int LoadFile(const std::string& path, std::vector<std::string>* remarques = nullptr);
    // What this document last saw of each file it read or wrote, by the file's identity
    // (whatever path led to it): LoadFile takes it before it reads, SaveFile from what it
    // wrote. Kept for every file, so that a save back onto one this document left (Save As
    // elsewhere, then back) or reaches by another path (a symbolic link) is checked too.
    std::map<platform::FileIdentity, platform::FileFingerprint> FichiersVus;
    // True when path is a file this document saw and it changed since (another window or
    // program wrote, replaced or removed it): a save there would lose what that one wrote.
    bool ChangedOnDisk(const std::string& path) const;
    // What a save at Fichier did. Changed: the file holds what the save may not replace
    // unasked, as surDisque tells; nothing was written.
    struct SaveResult {
        enum class Status { Saved, Changed, Failed };
        Status status = Status::Failed;
        platform::FileFingerprint surDisque;
        std::string raison; // when Failed, in French
    };
    // SaveFile with the check of what is on disk in one step among every writer of the file's
    // folder (a lock on it): nothing can come between the check and the replacement. The file
    // is replaced when it holds what `attendu` says (what the user agreed to replace), or,
    // without it, what this document last saw of it, or when this document never saw it. A
    // question about a Changed file is asked with the lock released; the save is then tried
    // again with what was on disk when the user was asked.
    SaveResult SaveFileChecked(const std::optional<platform::FileFingerprint>& attendu = {});
    // Why a code cannot name a security, as a French sentence; empty when it can. A code must
    // read back from the portfolio file as it is: one that the file would change could come
    // back equal to another security's, and the two would become one.
    static std::string CodeRefuse(const std::string& code);

    // Fees, settlement dates and amount texts (CvFees.cpp).
    bool FindTranche(std::int32_t montant, const ListeTranches& tranches,
                     TrancheFrais& tranche) const;
    std::int32_t ComputeFrais(CalculFrais& calcul) const;
    // Takes the values into the document, rolls the settlement dates forward, and gives them
    // back in reglages as whole days, to be kept.
    void LoadSettings(ReglagesDocument& reglages);
    void LiquidationDate(double& date) const;
    bool IsSrdPending(const Valeurs* titre, const ::Operes* opere) const;
    // Whether a trade of the security on that date, with the deferred-settlement option or
    // not, waits for the coming settlement.
    bool IsSrdPending(const Valeurs* titre, double date, bool srd) const;
    bool HasPendingSrd(const Valeurs* titre) const;
    float TextToFloat(const std::string& texte, int decimales) const;
    std::int32_t TextToCents(const std::string& texte) const;
    void FloatToTextTrunc(int decimales, std::string& texte, float valeur) const;
    // 25 September 2000: up to that day every trade of an eligible security was settled
    // monthly; after it only the trades made with the deferred-settlement option are.
    static double FinSrdObligatoire();

    // Positions, gains and yields (CvPositions.cpp).
    void ComputeTitre(Valeurs* titre, std::optional<double> jusqua = std::nullopt,
                      const ::Operes* exclue = nullptr);
    // The same position, given instead of written: neither the security's block nor its
    // trades' computed fields change.
    BilanTitre ComputeBilan(const Valeurs& titre, std::optional<double> jusqua = std::nullopt,
                            const ::Operes* exclue = nullptr) const;
    // Which sums of the security's position, formed exactly, go beyond the document's 32-bit
    // fields: one bit per sum (position_arith::Somme), none for a position the fields hold.
    // bilan, when given, receives the position as the fields hold it.
    std::uint32_t SommesHorsLimite(const Valeurs& titre, BilanTitre* bilan = nullptr) const;
    bool ComputeRentabilite(Valeurs* titre, double debut);
    void ComputeRentabilites(double debut);

    // The gate of every change of the document's figures (CvGate.cpp). A change that would take
    // a sum of a security, or a total of the portfolio, from what the 32-bit fields hold to
    // beyond them is refused; a sum already beyond (a file written elsewhere, a quote) stops no
    // change that leaves it so. A refusal is a French sentence naming the security or the total.
    //
    // The security titre of the document changed into essai.
    std::string SommesRefusees(const Valeurs& titre, const Valeurs& essai) const;
    // The balance of the cash movements changed by variation cents.
    std::string SoldeRefuse(std::int64_t variation) const;
    // The totals as they stand, and what a change made since, in place, did to them.
    TotauxExacts Totaux() const;
    std::string TotauxRefuses(const TotauxExacts& avant) const;
    // What of the document cannot be shown exactly, one French sentence for each security and
    // one for the totals; none for a document whose fields hold every figure.
    std::vector<std::string> SommesInexactes() const;
    // The refusal that names a security.
    static std::string Depassement(const Valeurs& titre);

    // Purge, split, transfer and removal of securities (CvTransfer.cpp).
    // Folds the ticked settled trades into the carried-over blocks and marks the document
    // modified; empty then. When a purged security's block, its position or a total would not
    // hold its sums, nothing is purged and the reason is given.
    Refus Purge();
    // Splits the trades dated up to date by ratio: prices divided, quantities multiplied.
    // False, with nothing changed, for a ratio below 1 or when a quantity would pass 32 bits.
    static bool ApplyDivision(Valeurs* titre, int ratio, double date);
    static bool DivisionFits(const Valeurs* titre, int ratio, double date);
    void Transfert(bool uneLigne, const std::string& commentaire);
    // Removes a security from the document, its trades and alarms with it, and forgets the
    // loaded history when it was that security's. Leaves Modifie to the caller.
    void RemoveTitre(Valeurs* titre);
    // Appends the cash movement that books the realised result of a closed security ("+/-
    // value sur le titre " and its label, dated today); none, and nullptr, when its realised
    // net gain is 0. Shared by the delete-security command and the transfer.
    Mvt* AddPlValueMvt(const Valeurs* titre);

    // Alarms and the alarm log (CvAlarms.cpp).
    bool OperandValue(Valeurs* titre, std::int32_t& valeur, const ElementAlarme& element);
    bool TestAlarme(Valeurs* titre, const SDetAlarme& alarme);
    bool OperandText(const ElementAlarme& element, std::string& texte, bool leftForm) const;
    void ComparisonText(std::uint8_t oper, std::string& texte) const;
    void AlarmeText(const SDetAlarme& alarme, std::string& texte) const;
    // True when an alarm fired, whether or not its line reached the log.
    bool CheckAlarmes(Valeurs* titre);
    // The same texts, giving an element whose kind takes no parameter the value 1 that the
    // alarm dialogs read as "defined"; the alarm check and the dialogs go through these.
    bool OperandText(ElementAlarme& element, std::string& texte, bool leftForm) const;
    void AlarmeText(SDetAlarme& alarme, std::string& texte) const;
    // The alarm log beside a portfolio file: its last four characters become ".cvl". Empty
    // when the name is shorter than that (a document never saved has no log).
    static std::string LogPath(const std::string& fichier);

    // History files and indicators (CvHisto.cpp), over the history table of the data module.
    // LoadHistoFile: false when the security has no history file (an empty history, which is
    // then the loaded one). A file that exists but cannot be read throws HistoReadError, one
    // that does not read as a history platform::ConversionError; either way no history is
    // loaded afterwards (TitreHisto none, table empty).
    bool LoadHistoFile(Valeurs* titre);
    // Adds the table's days to the history file as it now stands: the days another program
    // wrote since this one read the file are kept, the days added, changed or deleted here
    // are put in, date by date, and the table then holds what was written. False when there
    // is no loaded history to write, or the file could not be read back or written (the old
    // one is then kept).
    bool SaveHistoFile();
    // Replaces the whole history file with the table (the history editor), as long as the
    // file holds what remplacable fingerprints: what this program last saw of it
    // (HistoFileSeen), or what the user agreed to replace. When it holds anything else,
    // nothing is written and remplacable becomes what the file now holds.
    enum class HistoEcriture { Ecrite, ModifieeAilleurs, Echec };
    HistoEcriture ReplaceHistoFile(platform::FileFingerprint& remplacable);
    platform::FileFingerprint HistoFileSeen() const;
    HistoVue VueHisto;
    void AddHistoPoint(const InfosCours& jour);
    std::int32_t LastHistoCours() const;
    float HistoVariation(int n) const;
    void ComputeIndicateurs(Valeurs* titre, int periodeRsi, std::int32_t& moyenne,
                            std::int32_t& rsi, int periodeMoyenne);
    // The files of a security in the data directory: "historique/<name>.his" and
    // "intraday/<name>.itd", the name given by CodeFileName.
    std::string HistoFilePath(const Valeurs* titre) const;
    std::string IntradayFilePath(const Valeurs* titre) const;

    // Quotes (CvQuote.cpp).
    // What a new quote did to a security.
    struct CoursApplique {
        Refus refus;         // why it was not taken, naming the security
        bool alarme = false; // it was taken and an alarm fired (CheckAlarmes)
    };
    // Gives titre the quote infos and recomputes its position; its alarms are checked only when
    // the price moved. A quote that would value the position past what the document's figures
    // hold is refused: the security keeps its last quote. Leaves Modifie to the caller: a
    // quote refresh marks the document once its walk is over.
    [[nodiscard]] CoursApplique ApplyCours(Valeurs* titre, const InfosCours& infos);

    // The operations through which the program changes the records (CvOperations.cpp); the
    // file reader and the tests that build documents fill the lists directly. Each checks what
    // the document must hold, recomputes the security it changed and marks the document
    // modified; a refusal (Refus) changes nothing.
    //
    // A typed security: its code and label given, its code new and storable; its price becomes
    // its quote, stamped now. ajoute, when given, receives the security added.
    Refus AddTitre(const FicheTitre& fiche, Valeurs** ajoute = nullptr);
    // What ReplaceTitre changed that the window shows apart.
    struct ChangementTitre {
        bool Libelle = false; // the securities were sorted again
        bool SuiviAuto = false;
        bool Cours = false; // a new quote, whose alarms are to be checked
    };
    // A security validated untouched stays exactly as it is. coursMontre: the price the user
    // was shown; only a price typed over it replaces the quote, which a refresh may have
    // changed meanwhile.
    Refus ReplaceTitre(Valeurs* titre, const FicheTitre& fiche, std::int32_t coursMontre,
                       ChangementTitre* changement = nullptr);
    // Why the security cannot be deleted: still held, or a ticked trade still pending.
    Refus SuppressionRefusee(Valeurs* titre);
    // Books its realised result (AddPlValueMvt) and removes it (RemoveTitre).
    void DeleteTitre(Valeurs* titre);
    // A trade as the document keeps it: quantity and price of at least 1, its total fee the
    // sum of the three, and an amount, fees and amount with its fees within 32-bit cents.
    static bool OpereValide(const Operes& opere);
    // stocke, when given, receives the trade as the document holds it.
    Refus AddOpere(Valeurs* titre, const Operes& opere, Operes** stocke = nullptr);
    // The replaced trade loses its tick; validated untouched it keeps every other value. A trade
    // that is not one of the security's is refused, for ReplaceOpere and DeleteOpere alike;
    // so is a movement that is not the document's, for ReplaceMvt and DeleteMvt.
    Refus ReplaceOpere(Valeurs* titre, Operes* opere, const Operes& nouveau);
    // The position of the security just before a trade being typed: its trades up to date in
    // date order, exclue (the trade being modified) left out. Changes nothing, not even the
    // order of the list.
    BilanTitre PositionAvant(const Valeurs& titre, double date, const ::Operes* exclue) const;
    // ReplaceOpere of edite when given, else AddOpere: what the trade dialog stores.
    Refus EnregistreOpere(Valeurs* titre, Operes* edite, const Operes& saisie,
                          Operes** stocke = nullptr);
    Refus DeleteOpere(Valeurs* titre, Operes* opere);
    void PointeOpere(Operes* opere, bool pointe);
    // A movement of at least one cent.
    Refus AddMvt(const Mvt& mvt);
    Refus ReplaceMvt(Mvt* cible, const Mvt& mvt);
    Refus DeleteMvt(Mvt* mvt);
    // The security's alarms as the alarm dialog validated them.
    void ReplaceAlarmes(Valeurs* titre, std::vector<std::unique_ptr<SDetAlarme>> alarmes);
    // AlarmeNouvelle: set when an alarm fired and was logged, cleared once the log was read.
    void SignaleAlarme();
    void AlarmesLues();
    // Whether the alarm holds for the security at the price cours: the test of an alarm at a
    // typed price. The security has its own price and position back afterwards.
    bool TestAlarmeAuCours(Valeurs* titre, const SDetAlarme& alarme, std::int32_t cours);
    // The fee schedules, each by ascending threshold, and whether a deferred-settlement trade
    // also pays schedule 1, as the options validated them. Without deferred-settlement
    // brackets such a trade pays schedule 1 alone, whatever ajoutFrais1SRD says.
    void ReplaceFrais(ListeTranches srd, ListeTranches frais1, ListeTranches frais2,
                      bool ajoutFrais1SRD);
    // The coverage coefficients of the cash and of the securities.
    void SetCouverture(float cash, float titres);
    // Why the split of the trades up to date by ratio cannot be made: a ratio below 1, a
    // quantity or a sum that would not hold once split.
    Refus DivisionRefusee(const Valeurs* titre, int ratio, double date) const;
    // ApplyDivision once DivisionRefusee has nothing against it; a quote of a day up to date,
    // a price before the split, is divided as the trades' prices are.
    Refus DiviseTitre(Valeurs* titre, int ratio, double date);

private:
    // The purge of one security; false when its block could not hold a sum exactly.
    bool PurgeTitre(Valeurs& titre) const;
    // Writes the days as the loaded history's file, which the caller has locked; on success
    // they become what this program last saw of it.
    bool WriteHisto(const std::string& path, std::vector<HistoJour> jours);
    // The gate of several securities changed at once, each into its essai, and of the movements'
    // balance changed by variation.
    using Changements = std::vector<std::pair<const Valeurs*, const Valeurs*>>;
    std::string ChangementsRefuses(const Changements& changements, std::int64_t variation) const;
};

// A portfolio transfer into a new file (CvTransfer.cpp). It works on copies of the records:
// until it is kept, the originals come back untouched when it ends, and the document is exactly
// what it was, still bound to its own file. Until then whoever points at the original records
// (the window's views) may go on doing so: they live as long as this object.
class TransfertEnCours {
public:
    explicit TransfertEnCours(TCorv& doc);
    ~TransfertEnCours();
    TransfertEnCours(const TransfertEnCours&) = delete;
    TransfertEnCours& operator=(const TransfertEnCours&) = delete;

    // Every security recomputed, the ticked settled trades purged, then, when suppr, the closed
    // securities removed with their results booked (one movement under intitule when cumul).
    // Empty when done; otherwise why not (the purge's refusal, or a total of the portfolio
    // that it would take beyond the cents), and nothing was changed once this object ends.
    Refus Restructure(bool suppr, bool cumul, const std::string& intitule);
    void Garder() { garde_ = true; }
    // The copy of an original security, null when the transfer removed it.
    Valeurs* CopyOf(const Valeurs* original) const;

private:
    TCorv& doc_;
    ListeTitres originaux_;
    std::vector<std::unique_ptr<Mvt>> mouvements_;
    std::vector<std::pair<const Valeurs*, Valeurs*>> copies_;
    std::string fichier_;
    bool modifie_;
    Valeurs* titreHisto_;
    double dateHisto_;
    bool garde_ = false;
};

// The orders of the trades and of the securities (CvRecords.cpp).
int CompareOperes(const Operes* a, const Operes* b);
int CompareTitres(const Valeurs* a, const Valeurs* b);
