// Fees of a trade, the monthly settlement dates of the deferred-settlement market and the
// amount texts typed in the dialogs.

#include "portfolio/Cv.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/DateTime.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The mark of a settlement date never set, written by the main window as the default.
constexpr std::string_view kDateJamais = "01/01/70";

// The schedules are kept in ascending threshold order, so the last bracket not above the
// amount is the one that applies. Amounts are 64-bit: a large trade must not wrap into
// another bracket.
const TrancheFrais* FindBracket(std::int64_t montant, const ListeTranches& tranches) {
    for (auto it = tranches.rbegin(); it != tranches.rend(); ++it) {
        if (*it && (*it)->Seuil <= montant)
            return it->get();
    }
    return nullptr;
}

// The rates are single precision and the broker figures come from that float value widened
// to double: 0.0065f lies above 0.0065 and 0.0075f below 0.0075, which moves results by a
// cent. Do not compute these products in float nor with decimal rates.
std::int64_t BracketFee(const TrancheFrais& tranche, std::int64_t base) {
    std::int32_t horsTaxe = 0;
    if (tranche.Frais != 0.0f || tranche.MntMin != 0)
        horsTaxe =
            platform::Trunc32(static_cast<double>(tranche.Frais) * static_cast<double>(base) + 1.0);
    horsTaxe = std::max(horsTaxe, tranche.MntMin);
    const std::int32_t tva = platform::Trunc32(
        std::floor(static_cast<double>(horsTaxe) * static_cast<double>(tranche.Tva)));
    return static_cast<std::int64_t>(horsTaxe) + tva;
}

// The first day of the month before (delta -1) or after (delta +1) the month of date.
double FirstOfMonth(double date, int delta) {
    const platform::DateParts d = platform::DecodeDate(date);
    int year = d.year;
    int month = d.month + delta;
    if (month < 1) {
        month = 12;
        --year;
    } else if (month > 12) {
        month = 1;
        ++year;
    }
    return platform::EncodeDate(year, month, 1);
}

// TAUX is stored as a double but the document holds a float; a value beyond the float range
// is clamped rather than converted with undefined behaviour.
float ToSingle(double value) {
    constexpr double maxFloat = std::numeric_limits<float>::max();
    if (std::isfinite(value) && std::fabs(value) > maxFloat)
        return value > 0 ? std::numeric_limits<float>::max() : std::numeric_limits<float>::lowest();
    return static_cast<float>(value);
}

// The typed amount after the clean-up shared by both readers: "." is taken for "," (once), and
// what trails the last digit is cut, a "," excepted, so that "12,50 €" reads as "12,50".
std::string CleanAmount(const std::string& texte) {
    std::string s = texte;
    if (const auto point = s.find('.'); point != std::string::npos)
        s[point] = ',';
    for (std::size_t i = s.size(); i-- > 0;) {
        if (platform::IsDigit(s[i]))
            break;
        if (s[i] != ',')
            s.erase(i, 1);
    }
    return s;
}

} // namespace

bool TCorv::FindTranche(std::int32_t montant, const ListeTranches& tranches,
                        TrancheFrais& tranche) const {
    tranche = TrancheFrais{};
    const TrancheFrais* trouvee = FindBracket(montant, tranches);
    if (!trouvee)
        return false;
    tranche = *trouvee;
    return true;
}

std::int32_t TCorv::ComputeFrais(CalculFrais& calcul) const {
    calcul.Frais1 = 0;
    calcul.Frais2 = 0;
    calcul.FraisSRD = 0;
    if (calcul.Quantite == 0)
        return 0;

    const std::int64_t montant = platform::Mul64(calcul.Quantite, calcul.Cours);
    std::int64_t total = 0;

    const auto selonBareme = [montant](const ListeTranches& tranches,
                                       bool plValHonore) -> std::int32_t {
        const TrancheFrais* tranche = FindBracket(montant, tranches);
        if (!tranche || montant < tranche->Seuil)
            return 0;
        const std::int64_t base =
            plValHonore && tranche->PlVal ? montant - tranche->Seuil : montant;
        return platform::Saturate32(BracketFee(*tranche, base));
    };
    // The deferred-settlement schedule charges on the whole amount, whatever PlVal says.
    if (calcul.SRD) {
        calcul.FraisSRD = selonBareme(TranchesSRD, false);
        total += calcul.FraisSRD;
    }
    if (AjoutFrais1SRD || !calcul.SRD) {
        calcul.Frais1 = selonBareme(TranchesFrais1, true);
        total += calcul.Frais1;
    }
    calcul.Frais2 = selonBareme(TranchesFrais2, true);
    total += calcul.Frais2;

    return platform::Saturate32(total);
}

void TCorv::LiquidationDate(double& date) const {
    const platform::DateParts d = platform::DecodeDate(date);
    // The market counted one more business day before October 2000.
    const int jours = (d.year > 2000 || d.month >= 10) ? 4 : 5;
    // The month's last day from numbers, not through a two-digit-year text, so that months
    // outside the year window come out right too.
    double jour = platform::EncodeDate(d.year, d.month, platform::DaysInMonth(d.year, d.month));
    int comptes = 0;
    while (comptes < jours) {
        const int semaine = platform::DayOfWeek(jour);
        if (semaine >= 2 && semaine <= 6)
            ++comptes;
        jour -= 1.0;
    }
    // The day before the last counted business day, even when it is a weekend: the trades
    // compare with it by "strictly later than".
    date = jour;
}

void TCorv::LoadSettings(ReglagesDocument& reglages) {
    LibLocal = reglages.LibLocal;
    Taux = ToSingle(reglages.Taux);
    DateLiqP = reglages.DateLiqP;
    DateLiqC = reglages.DateLiqC;

    const double aujourdhui = platform::Date();

    if (DateLiqP == platform::StrToDate(kDateJamais)) {
        double precedente = FirstOfMonth(aujourdhui, -1);
        LiquidationDate(precedente);
        double courante = aujourdhui;
        LiquidationDate(courante);
        DateLiqP = precedente;
        DateLiqC = courante;
    }

    // One step per call only: after a long absence the coming date may still be past, and the
    // next load rolls again. Only the month numbers are compared, not the years.
    if (aujourdhui > DateLiqC) {
        const double ancienne = DateLiqC;
        double prochaine = aujourdhui;
        if (platform::DecodeDate(ancienne).month == platform::DecodeDate(aujourdhui).month)
            prochaine = FirstOfMonth(aujourdhui, +1);
        LiquidationDate(prochaine);
        DateLiqP = ancienne;
        DateLiqC = prochaine;
    }

    reglages.DateLiqP = std::trunc(DateLiqP);
    reglages.DateLiqC = std::trunc(DateLiqC);
}

double TCorv::FinSrdObligatoire() {
    // A fixed day, not a two-digit-year text: read through the sliding year window, the
    // boundary would move to 2100 as the clock passes 2050.
    return platform::EncodeDate(2000, 9, 25);
}

bool TCorv::IsSrdPending(const Valeurs* titre, const ::Operes* opere) const {
    return opere != nullptr && IsSrdPending(titre, opere->Date, opere->SRD);
}

bool TCorv::IsSrdPending(const Valeurs* titre, double date, bool srd) const {
    if (!titre || !titre->SRD)
        return false;
    if (date > FinSrdObligatoire())
        return date > DateLiqP && srd;
    return date > DateLiqP;
}

bool TCorv::HasPendingSrd(const Valeurs* titre) const {
    if (!titre)
        return false;
    for (const auto& opere : titre->Operes) {
        if (opere && opere->Pointe && IsSrdPending(titre, opere.get()))
            return true;
    }
    return false;
}

float TCorv::TextToFloat(const std::string& texte, int /*decimales*/) const {
    if (texte.empty())
        return 0.0f;
    // A text cut down to nothing (such as "abc") is refused, unlike an empty one.
    const std::optional<float> valeur =
        platform::ParseSingle(CleanAmount(texte), platform::kAmountDecimal);
    if (!valeur)
        platform::RefuseNumber(texte, platform::NumberKind::Decimal);
    return *valeur;
}

std::int32_t TCorv::TextToCents(const std::string& texte) const {
    std::string s = CleanAmount(texte);
    if (s.empty())
        return 0;
    if (const auto virgule = s.find(','); virgule != std::string::npos) {
        // Euros are written before the ",": ",5" is refused rather than guessed.
        if (virgule == 0 || !platform::IsDigit(s[virgule - 1]))
            platform::RefuseNumber(texte, platform::NumberKind::Amount);
        // A typed amount keeps two decimals: the digits past them are dropped (12,345 gives
        // 12,34).
        const std::size_t centimes = virgule + 3;
        if (s.size() > centimes &&
            s.find_first_not_of("0123456789", virgule + 1) == std::string::npos)
            s.resize(centimes);
    }
    if (const std::optional<std::int32_t> cents = platform::ParseCents(s, platform::kAmountCents))
        return *cents;
    if (platform::NormaliseNumber(s, platform::kAmountCents))
        throw platform::ConversionError("'" + texte + "' dépasse le montant le plus grand admis");
    platform::RefuseNumber(texte, platform::NumberKind::Amount);
}

void TCorv::FloatToTextTrunc(int decimales, std::string& texte, float valeur) const {
    // One decimal more than asked, then dropped: the asked position is cut, not rounded.
    const int precision = std::clamp(decimales, 0, 30) + 1;
    std::string s = platform::FormatFixed(static_cast<double>(valeur), precision);
    if (!s.empty())
        s.pop_back();
    texte = std::move(s);
}
