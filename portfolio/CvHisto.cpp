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
#include "platform/Numbers.h"
#include "platform/TextFile.h"

#include <filesystem>
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
        return false;
    }
    // Only a file that does not exist is an empty history: one that is there but cannot be
    // read would be replaced by the next save.
    if (file.state == platform::WholeFile::State::Unreadable) {
        TitreHisto = nullptr;
        throw HistoReadError("Impossible de lire le fichier historique " + path + " : " +
                             file.reason);
    }
    HistoLines reader(std::move(file.text));
    std::string_view line;
    if (reader.Read(line) == HistoLines::Status::End) {
        TitreHisto = titre;
        return true;
    }
    // A bad line fails the whole load: a partial history must not be saved over the file.
    auto fail = [&](int number, const std::string& reason) {
        table.EmptyTable();
        TitreHisto = nullptr;
        DateHisto = Epoch1970();
        throw platform::ConversionError("Fichier historique " + path + ", ligne " +
                                        platform::FormatInt(number) + " incorrecte : " + reason);
    };
    platform::Field date = table.Fields(kDate);
    platform::Field cours = table.Fields(kCours);
    platform::Field haut = table.Fields(kHaut);
    platform::Field bas = table.Fields(kBas);
    platform::Field volume = table.Fields(kVolume);
    int number = 1;
    // Rows go in as the lines come, whatever their order, and are sorted once at the end:
    // putting each line in its place would shift every column for each line out of order.
    platform::BulkLoad load(table);
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
        DateHisto = parsed.date;
        table.Append();
        date.SetAsDateTime(platform::DateOf(parsed.date));
        cours.SetAsFloat(parsed.values[0] * 0.01);
        haut.SetAsFloat(parsed.values[1] * 0.01);
        bas.SetAsFloat(parsed.values[2] * 0.01);
        volume.SetAsInteger(parsed.values[3]);
        table.Post();
    }
    // One row per date: the first line of a date is kept.
    load.Finish(platform::MemTable::Repeats::KeepFirst);
    TitreHisto = titre;
    return true;
}

bool TCorv::SaveHistoFile() {
    if (TitreHisto == nullptr)
        return false;
    platform::MemTable& table = TheDatas().Historique;
    table.CheckBrowseMode();
    const std::string path = HistoFilePath(TitreHisto);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    platform::AtomicFileWriter writer(path);
    if (!writer.IsOpen())
        return false;
    std::string text(kHeader);
    const int rows = table.RecordCount();
    for (int row = 0; row < rows; ++row) {
        AppendDate(text, table.NumberAt(row, kDate));
        for (int field : {kCours, kHaut, kBas}) {
            // An amount the file cannot hold fails the save: the old file is kept.
            if (!HasCents32(table.NumberAt(row, field)))
                return false;
            text.push_back(';');
            AppendInt(text, CentsAt(table, row, field));
        }
        text.push_back(';');
        AppendInt(text, static_cast<std::int64_t>(table.NumberAt(row, kVolume)));
        text += ";\n";
        if (text.size() >= 1 << 16) {
            writer.Write(text);
            text.clear();
        }
    }
    writer.Write(text);
    if (!writer.Commit())
        return false;
    DateHisto = rows == 0 ? 0.0 : table.NumberAt(rows - 1, kDate);
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
