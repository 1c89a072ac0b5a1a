// History files and indicators: one file of daily prices per security, loaded into the
// history table of the data module, and the indicators computed over it.
//
// The table always holds euros: the display factor is applied by whatever shows the table,
// so that saving can never store amounts multiplied by it and the indicators compare euro
// cents with the euro quote.

#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/DateText.h"
#include "platform/DateTime.h"
#include "platform/FileLock.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// The file's first line: the same fixed date in every history file, skipped whatever it
// holds when read.
constexpr std::string_view kHeader = "01/01/1970\n";

enum HistoField { kDate = 0, kCours, kHaut, kBas, kVolume };

platform::TDateTime Epoch1970() {
    return platform::EncodeDate(1970, 1, 1);
}

// A data line: "dd/mm/yyyy;cours;haut;bas;volume;" with the amounts in cents. Throws
// ConversionError when the line lacks a field or a field holds no number.
struct HistoLine {
    platform::TDateTime date = 0.0;
    std::int32_t values[4] = {0, 0, 0, 0}; // Cours, Haut, Bas, Volume
};

// The files this program writes hold plain digits and "dd/mm/yyyy": read those directly and
// leave every other form to the general readers, which give the same results for them.
bool FastInt(std::string_view text, std::int32_t& target) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        i = 1;
    const std::size_t digits = text.size() - i;
    if (digits == 0 || digits > 9)
        return false;
    std::int32_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    target = negative ? -value : value;
    return true;
}

bool FastDate(std::string_view text, platform::TDateTime& target) {
    if (text.size() != 10 || text[2] != '/' || text[5] != '/')
        return false;
    int parts[3] = {0, 0, 0};
    const std::size_t starts[3] = {0, 3, 6};
    const std::size_t lengths[3] = {2, 2, 4};
    for (int p = 0; p < 3; ++p)
        for (std::size_t k = 0; k < lengths[p]; ++k) {
            const char c = text[starts[p] + k];
            if (c < '0' || c > '9')
                return false;
            parts[p] = parts[p] * 10 + (c - '0');
        }
    return platform::TryEncodeDate(parts[2], parts[1], parts[0], target);
}

// A history number field is the number whole, as the portfolio file's are: read in part
// ("12abc", "1.5") or in another base ("0x10"), it would change at the next save.
void ReadNumber(std::string_view text, platform::NumberKind kind, std::int32_t& target) {
    if (FastInt(text, target))
        return;
    if (const auto valeur = platform::ParseInt32(text, platform::kFileInteger)) {
        target = *valeur;
        return;
    }
    // A whole number that 32 bits cannot hold is refused rather than wrapped.
    if (platform::NormaliseNumber(text, platform::kFileInteger))
        throw platform::ConversionError("'" + std::string(text) +
                                        "' dépasse les valeurs que l'historique peut garder");
    platform::RefuseNumber(text, kind);
}

HistoLine ParseLine(std::string_view line) {
    HistoLine result;
    std::string_view fields[5];
    std::size_t count = 0;
    std::size_t start = 0;
    while (count < 5) {
        const std::size_t sep = line.find(';', start);
        fields[count++] = line.substr(start, sep == std::string_view::npos ? sep : sep - start);
        if (sep == std::string_view::npos)
            break;
        start = sep + 1;
    }
    if (count < 5)
        throw platform::ConversionError("il manque des champs");
    if (!FastDate(fields[0], result.date) && !platform::TryStrToDate(fields[0], result.date))
        throw platform::ConversionError("'" + std::string(fields[0]) +
                                        "' n'est pas une date correcte");
    for (int i = 0; i < 4; ++i)
        ReadNumber(fields[i + 1], i < 3 ? platform::NumberKind::Price : platform::NumberKind::Whole,
                   result.values[i]);
    return result;
}

void AppendTwoDigits(std::string& out, int value) {
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

// "dd/mm/yyyy" without going through the general date formatter: a save writes every row.
void AppendDate(std::string& out, platform::TDateTime date) {
    const platform::DateParts parts = platform::DecodeDate(date);
    AppendTwoDigits(out, parts.day);
    out.push_back('/');
    AppendTwoDigits(out, parts.month);
    out.push_back('/');
    if (parts.year >= 1000 && parts.year <= 9999) {
        out += platform::FormatInt(parts.year);
    } else {
        std::string year = platform::FormatInt(parts.year);
        out.append(year.size() < 4 ? 4 - year.size() : 0, '0');
        out += year;
    }
}

void AppendInt(std::string& out, std::int64_t value) {
    char digits[24];
    int n = 0;
    const bool negative = value < 0;
    std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        out.push_back('-');
    while (n > 0)
        out.push_back(digits[--n]);
}

// The lines of a history file read whole: a history has thousands of lines, and reading
// them one character at a time was most of the load time. Lines end with LF or CRLF and hold
// at most 511 characters, as in every text file of the program.
class HistoLines {
public:
    using Status = platform::LineReader::Status;
    static constexpr std::size_t kMaxLength = 511;

    explicit HistoLines(std::string text) : text_(std::move(text)) {}

    Status Read(std::string_view& line) {
        if (pos_ >= text_.size())
            return Status::End;
        const std::size_t end = text_.find('\n', pos_);
        const std::size_t stop = end == std::string::npos ? text_.size() : end;
        line = std::string_view(text_).substr(pos_, stop - pos_);
        pos_ = stop + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line.size() > kMaxLength ? Status::TooLong : Status::Line;
    }

private:
    const std::string text_;
    std::size_t pos_ = 0;
};

std::int32_t CentsAt(const platform::MemTable& table, int row, int field) {
    return EurosToCents(table.NumberAt(row, field));
}

// The days of a history file's text, in date order, one per date: the first line of a date is
// kept. Throws ConversionError, naming the line, on a line that does not read: a partial
// history must never be saved over the file.
struct JoursLus {
    std::vector<HistoJour> Jours;
    platform::TDateTime Dernier = Epoch1970(); // the date of the last line read
};

JoursLus ReadDays(std::string text, const std::string& path) {
    JoursLus lus;
    HistoLines reader(std::move(text));
    std::string_view line;
    if (reader.Read(line) == HistoLines::Status::End)
        return lus;
    auto fail = [&](int number, const std::string& reason) {
        throw platform::ConversionError("Fichier historique " + path + ", ligne " +
                                        platform::FormatInt(number) + " incorrecte : " + reason);
    };
    int number = 1;
    while (true) {
        const auto status = reader.Read(line);
        if (status == HistoLines::Status::End)
            break;
        ++number;
        if (status == HistoLines::Status::TooLong)
            fail(number, "ligne trop longue");
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue; // a blank line, as an editor leaves at the end
        HistoLine parsed;
        try {
            parsed = ParseLine(line);
        } catch (const platform::ConversionError& error) {
            fail(number, error.what());
        }
        lus.Dernier = parsed.date;
        lus.Jours.push_back({platform::DateOf(parsed.date), parsed.values[0], parsed.values[1],
                             parsed.values[2], parsed.values[3]});
    }
    const auto parDate = [](const HistoJour& a, const HistoJour& b) { return a.Date < b.Date; };
    if (!std::is_sorted(lus.Jours.begin(), lus.Jours.end(), parDate))
        std::stable_sort(lus.Jours.begin(), lus.Jours.end(), parDate);
    const auto memeDate = [](const HistoJour& a, const HistoJour& b) { return a.Date == b.Date; };
    lus.Jours.erase(std::unique(lus.Jours.begin(), lus.Jours.end(), memeDate), lus.Jours.end());
    return lus;
}

// The table's days as the file holds them; nothing when an amount has no 32-bit cents, which
// the file cannot hold.
std::optional<std::vector<HistoJour>> TableDays(const platform::MemTable& table) {
    std::vector<HistoJour> jours;
    const int rows = table.RecordCount();
    jours.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        for (int field : {kCours, kHaut, kBas})
            if (!HasCents32(table.NumberAt(row, field)))
                return std::nullopt;
        jours.push_back({table.NumberAt(row, kDate), CentsAt(table, row, kCours),
                         CentsAt(table, row, kHaut), CentsAt(table, row, kBas),
                         static_cast<std::int64_t>(table.NumberAt(row, kVolume))});
    }
    return jours;
}

// Days in date order, one per date, into the emptied table.
void FillTable(platform::MemTable& table, const std::vector<HistoJour>& jours) {
    platform::ControlsDisabled quiet(table);
    table.EmptyTable();
    platform::Field date = table.Fields(kDate);
    platform::Field cours = table.Fields(kCours);
    platform::Field haut = table.Fields(kHaut);
    platform::Field bas = table.Fields(kBas);
    platform::Field volume = table.Fields(kVolume);
    platform::BulkLoad load(table);
    for (const HistoJour& jour : jours) {
        table.Append();
        date.SetAsDateTime(jour.Date);
        cours.SetAsFloat(jour.Cours * 0.01);
        haut.SetAsFloat(jour.Haut * 0.01);
        bas.SetAsFloat(jour.Bas * 0.01);
        volume.SetAsInteger(static_cast<std::int32_t>(jour.Volume));
        table.Post();
    }
    load.Finish(platform::MemTable::Repeats::Keep);
}

std::string HistoText(const std::vector<HistoJour>& jours) {
    std::string text(kHeader);
    text.reserve(kHeader.size() + jours.size() * 40);
    for (const HistoJour& jour : jours) {
        AppendDate(text, jour.Date);
        for (const std::int32_t cents : {jour.Cours, jour.Haut, jour.Bas}) {
            text.push_back(';');
            AppendInt(text, cents);
        }
        text.push_back(';');
        AppendInt(text, jour.Volume);
        text += ";\n";
    }
    return text;
}

bool SameDay(const HistoJour* a, const HistoJour* b) {
    return a == nullptr || b == nullptr ? a == b : *a == *b;
}

// The days to write when another program saved the file since this one read it. A day this
// program added, changed or deleted takes its side, but for a deletion of a day the other
// program changed; every other day is as the file now holds it, whatever the other program
// did to it.
std::vector<HistoJour> MergeDays(const std::vector<HistoJour>& vus,
                                 const std::vector<HistoJour>& ici,
                                 const std::vector<HistoJour>& ailleurs) {
    struct Versions {
        const HistoJour* vu = nullptr;
        const HistoJour* ici = nullptr;
        const HistoJour* ailleurs = nullptr;
    };
    std::map<platform::TDateTime, Versions> parDate;
    for (const HistoJour& jour : vus)
        parDate[jour.Date].vu = &jour;
    for (const HistoJour& jour : ici)
        parDate[jour.Date].ici = &jour;
    for (const HistoJour& jour : ailleurs)
        parDate[jour.Date].ailleurs = &jour;
    std::vector<HistoJour> jours;
    jours.reserve(parDate.size());
    for (const auto& [date, v] : parDate) {
        const bool changeIci = !SameDay(v.ici, v.vu);
        const HistoJour* garde =
            changeIci && (v.ici != nullptr || SameDay(v.ailleurs, v.vu)) ? v.ici : v.ailleurs;
        if (garde != nullptr)
            jours.push_back(*garde);
    }
    return jours;
}

platform::FileFingerprint FingerprintOfRead(const platform::WholeFile& file) {
    if (file.state == platform::WholeFile::State::Read)
        return platform::FingerprintOf(file.text);
    platform::FileFingerprint empreinte;
    empreinte.state = file.state == platform::WholeFile::State::Missing
                          ? platform::FileFingerprint::State::Missing
                          : platform::FileFingerprint::State::Unreadable;
    return empreinte;
}

} // namespace

std::string CodeFileName(const std::string& code) {
    // A name of dots alone is the folder itself or its parent.
    const bool dotsOnly = code == "." || code == "..";
    std::string name;
    name.reserve(code.size());
    for (const char c : code) {
        const auto byte = static_cast<unsigned char>(c);
        if (dotsOnly || byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == '%') {
            static constexpr char kHex[] = "0123456789ABCDEF";
            name += '%';
            name += kHex[byte >> 4];
            name += kHex[byte & 0x0F];
        } else {
            name += c;
        }
    }
    return name;
}

namespace {

std::string DataFilePath(const std::string& repertoire, const char* folder, const std::string& code,
                         const char* extension) {
    std::string path = repertoire;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + folder + '/' + CodeFileName(code) + extension;
}

} // namespace

std::string TCorv::HistoFilePath(const Valeurs* titre) const {
    return DataFilePath(Repertoire, "historique", titre->Code, ".his");
}

std::string TCorv::IntradayFilePath(const Valeurs* titre) const {
    return DataFilePath(Repertoire, "intraday", titre->Code, ".itd");
}

bool TCorv::LoadHistoFile(Valeurs* titre) {
    platform::MemTable& table = TheDatas().Historique;
    platform::ControlsDisabled quiet(table);
    table.EmptyTable();
    VueHisto = {};
    if (titre == nullptr) {
        // An empty table is no one's history.
        TitreHisto = nullptr;
        return true;
    }
    const std::string path = HistoFilePath(titre);
    DateHisto = Epoch1970();
    platform::WholeFile file = platform::ReadWholeFile(path);
    if (file.state == platform::WholeFile::State::Missing) {
        TitreHisto = titre;
        VueHisto = {path, {}, {}};
        return false;
    }
    // Only a file that does not exist is an empty history: one that is there but cannot be
    // read would be replaced by the next save.
    if (file.state == platform::WholeFile::State::Unreadable) {
        TitreHisto = nullptr;
        throw HistoReadError("Impossible de lire le fichier historique " + path + " : " +
                             file.reason);
    }
    const platform::FileFingerprint empreinte = platform::FingerprintOf(file.text);
    JoursLus lus;
    try {
        lus = ReadDays(std::move(file.text), path);
    } catch (const platform::ConversionError&) {
        TitreHisto = nullptr;
        throw;
    }
    FillTable(table, lus.Jours);
    DateHisto = lus.Dernier;
    TitreHisto = titre;
    VueHisto = {path, empreinte, std::move(lus.Jours)};
    return true;
}

bool TCorv::SaveHistoFile() {
    if (TitreHisto == nullptr)
        return false;
    platform::MemTable& table = TheDatas().Historique;
    table.CheckBrowseMode();
    const std::optional<std::vector<HistoJour>> ici = TableDays(table);
    if (!ici)
        return false; // an amount the file cannot hold: the old file is kept
    const std::string path = HistoFilePath(TitreHisto);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    // One writer at a time: another program's save cannot fall between the reading of the
    // file and its replacement.
    const platform::FolderLock lock(path);
    if (!lock.Held())
        return false;
    platform::WholeFile disque = platform::ReadWholeFile(path);
    if (disque.state == platform::WholeFile::State::Unreadable)
        return false;
    const bool vu = VueHisto.Chemin == path;
    if (vu && FingerprintOfRead(disque).Matches(VueHisto.Contenu))
        return WriteHisto(path, *ici);
    // Another program saved this history since this one read it (or this one never did):
    // its days are kept, with this program's changes put in.
    std::vector<HistoJour> ailleurs;
    try {
        if (disque.state == platform::WholeFile::State::Read)
            ailleurs = ReadDays(std::move(disque.text), path).Jours;
    } catch (const platform::ConversionError&) {
        return false; // a file that does not read is not replaced
    }
    std::vector<HistoJour> jours =
        MergeDays(vu ? VueHisto.Jours : std::vector<HistoJour>{}, *ici, ailleurs);
    if (!WriteHisto(path, jours))
        return false;
    FillTable(table, VueHisto.Jours);
    return true;
}

TCorv::HistoEcriture TCorv::ReplaceHistoFile(platform::FileFingerprint& remplacable) {
    if (TitreHisto == nullptr)
        return HistoEcriture::Echec;
    platform::MemTable& table = TheDatas().Historique;
    table.CheckBrowseMode();
    const std::optional<std::vector<HistoJour>> jours = TableDays(table);
    if (!jours)
        return HistoEcriture::Echec;
    const std::string path = HistoFilePath(TitreHisto);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    const platform::FolderLock lock(path);
    if (!lock.Held())
        return HistoEcriture::Echec;
    const platform::FileFingerprint trouve = platform::FingerprintOfFile(path);
    // What cannot be read is not replaced: nobody can say what it holds.
    if (trouve.state == platform::FileFingerprint::State::Unreadable)
        return HistoEcriture::Echec;
    if (!trouve.Matches(remplacable)) {
        remplacable = trouve;
        return HistoEcriture::ModifieeAilleurs;
    }
    return WriteHisto(path, *jours) ? HistoEcriture::Ecrite : HistoEcriture::Echec;
}

platform::FileFingerprint TCorv::HistoFileSeen() const {
    if (TitreHisto == nullptr || VueHisto.Chemin != HistoFilePath(TitreHisto))
        return {};
    return VueHisto.Contenu;
}

bool TCorv::WriteHisto(const std::string& path, std::vector<HistoJour> jours) {
    const std::string text = HistoText(jours);
    platform::AtomicFileWriter writer(path);
    if (!writer.IsOpen())
        return false;
    writer.Write(text);
    if (!writer.Commit())
        return false;
    DateHisto = jours.empty() ? 0.0 : jours.back().Date;
    VueHisto = {path, platform::FingerprintOf(text), std::move(jours)};
    return true;
}

void TCorv::AddHistoPoint(const InfosCours& jour) {
    if (TitreHisto == nullptr)
        return;
    platform::MemTable& table = TheDatas().Historique;
    const platform::TDateTime day = platform::DateOf(jour.Date);
    if (table.Locate("Date", {platform::Value{day}}))
        return;
    table.Insert();
    table.Fields(kDate).SetAsDateTime(day);
    table.Fields(kCours).SetAsFloat(jour.Cours * 0.01);
    table.Fields(kHaut).SetAsFloat(jour.Haut * 0.01);
    table.Fields(kBas).SetAsFloat(jour.Bas * 0.01);
    table.Fields(kVolume).SetAsInteger(jour.Volume);
    table.Post();
}

std::int32_t TCorv::LastHistoCours() const {
    // Read without moving the current row: a grid may be showing the table.
    const platform::MemTable& table = TheDatas().Historique;
    if (table.IsEmpty())
        return 0;
    return CentsAt(table, table.RecordCount() - 1, kCours);
}

float TCorv::HistoVariation(int n) const {
    const platform::MemTable& table = TheDatas().Historique;
    if (table.IsEmpty())
        return 0.0f;
    const int last = table.RecordCount() - 1;
    const int back = n > 1 ? std::min(n - 1, last) : 0;
    const double a = CentsAt(table, last, kCours);
    const double b = CentsAt(table, last - back, kCours);
    if (b == 0.0)
        return 0.0f;
    return static_cast<float>((a - b) / b * 100.0);
}

void TCorv::ComputeIndicateurs(Valeurs* titre, int periodeRsi, std::int32_t& moyenne,
                               std::int32_t& rsi, int periodeMoyenne) {
    moyenne = 0;
    rsi = 0;
    if (titre == nullptr || periodeRsi < 1 || periodeMoyenne < 1)
        return;
    if (titre != TitreHisto && !LoadHistoFile(titre))
        return;
    const platform::MemTable& table = TheDatas().Historique;
    const int rows = table.RecordCount();
    std::vector<std::int32_t> series;
    series.reserve(static_cast<std::size_t>(rows) + 1);
    for (int row = 0; row < rows; ++row)
        series.push_back(CentsAt(table, row, kCours));
    series.push_back(titre->Infos.Cours);

    // The queues of the last changes and values are windows over the series: the oldest
    // change still queued is at firstChange, the oldest value at k - M + 1.
    auto change = [&](std::size_t k, bool gain) -> std::int64_t {
        const std::int64_t p = series[k - 1];
        const std::int64_t v = series[k];
        if (p - v > 0)
            return gain ? 0 : p - v;
        return gain ? v - p : 0;
    };
    const std::size_t r = static_cast<std::size_t>(periodeRsi);
    const std::size_t m = static_cast<std::size_t>(periodeMoyenne);
    std::int64_t sumGains = 0;
    std::int64_t sumLosses = 0;
    std::int64_t sumValues = 0;
    std::size_t firstChange = 1;
    float reported = 0.0f;
    std::int64_t average = 0;
    for (std::size_t k = 0; k < series.size(); ++k) {
        if (k >= 1) {
            sumGains += change(k, true);
            sumLosses += change(k, false);
            if (k > r) {
                if (sumLosses != 0) {
                    const float g = static_cast<float>(static_cast<double>(sumGains) / r);
                    const float l = static_cast<float>(static_cast<double>(sumLosses) / r);
                    reported = static_cast<float>(
                        100.0 - 100.0 / (static_cast<double>(g) / static_cast<double>(l) + 1.0));
                }
                sumGains -= change(firstChange, true);
                sumLosses -= change(firstChange, false);
                ++firstChange;
            }
        }
        sumValues += series[k];
        if (k + 1 > m)
            sumValues -= series[k - m];
        average = sumValues / static_cast<std::int64_t>(m);
    }
    moyenne = static_cast<std::int32_t>(average);
    rsi = platform::Trunc32(static_cast<double>(reported) * 100.0);
}
