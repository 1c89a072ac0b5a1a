// The intraday file reader (.itd) of the security page on arbitrary files, then the chart
// figures computed from what it read. The first four bytes are the last daily close the
// chart is drawn with; the rest is the file. The points read, written back by the quote-page
// library's intraday writer, read again into the same points with nothing ignored, and the
// chart's ranges are never empty or inverted.

#include "fuzz/FuzzSupport.h"

#include "platform/DateText.h"
#include "platform/DateTime.h"
#include "quotescan/IntradayFile.h"
#include "views/ChartData.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

struct Setup {
    Setup() { platform::Clock::SetFixed(platform::EncodeDate(2024, 6, 1)); }
    fuzzsupport::Folder folder;
};

bool SamePoints(const FichierIntraday& a, const FichierIntraday& b) {
    if (a.Points.size() != b.Points.size())
        return false;
    for (std::size_t i = 0; i < a.Points.size(); ++i)
        if (a.Points[i].Cours != b.Points[i].Cours || a.Points[i].Heure != b.Points[i].Heure ||
            a.Points[i].Libelle != b.Points[i].Libelle)
            return false;
    return true;
}

void CheckChart(const FichierIntraday& fichier, std::int32_t cloture) {
    const GraphiqueIntraday g = CalculeIntraday(fichier, cloture);
    fuzzsupport::Check(g.Axes, "an open intraday file draws no axes");
    fuzzsupport::Check(g.Cours.size() == fichier.Points.size(), "a tick is not drawn");
    fuzzsupport::Check(g.HeureMin < g.HeureMax, "the intraday time axis is empty or inverted");
    fuzzsupport::Check(g.CoursMin < g.CoursMax, "the intraday price axis is empty or inverted");
    fuzzsupport::Check(g.Cloture.size() == (cloture != 0 ? 2u : 0u),
                       "the close line is missing or drawn without a close");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    if (size < 4)
        return 0;
    std::int32_t cloture = 0;
    std::memcpy(&cloture, data, sizeof cloture);
    const std::string path = setup.folder.File("input.itd");
    fuzzsupport::WriteAll(path,
                          std::string_view(reinterpret_cast<const char*>(data) + 4, size - 4));

    const FichierIntraday lu = LitIntraday(path);
    fuzzsupport::Check(lu.Ouvert, "an existing intraday file does not open");
    CheckChart(lu, cloture);

    // Written back as the library writes the file after an intraday download.
    AskWeb ask;
    std::memset(&ask, 0, sizeof ask);
    const std::string copy = setup.folder.File("copy.itd");
    std::strcpy(ask.Fichier, copy.c_str());
    ask.Infos.Date = platform::EncodeDate(2024, 5, 31);
    platform::TDateTime date = 0.0;
    if (lu.AEntete && platform::TryStrToDate(lu.Entete, date) && date >= 1.0 &&
        date < platform::EncodeDate(9999, 12, 31))
        ask.Infos.Date = date;
    {
        quotescan::IntradayFile writer;
        fuzzsupport::Check(writer.Create(ask), "the intraday copy cannot be created");
        for (const PointIntraday& p : lu.Points) {
            const platform::TimeParts t = platform::DecodeTime(p.Heure);
            fuzzsupport::Check(t.second == 0 && t.millisecond == 0,
                               "an intraday time holds seconds the file cannot give");
            fuzzsupport::Check(writer.WritePoint(p.Cours, t.hour * 100 + t.minute),
                               "an intraday point cannot be written");
        }
        fuzzsupport::Check(writer.Close(), "the intraday copy cannot be closed");
    }

    const FichierIntraday relu = LitIntraday(copy);
    fuzzsupport::Check(relu.Ouvert && relu.AEntete, "the intraday copy has no date line");
    fuzzsupport::Check(relu.Entete == platform::DateToStr(ask.Infos.Date),
                       "the intraday copy's date line is not the date written");
    fuzzsupport::Check(relu.LignesIgnorees == 0, "a written intraday point does not read");
    fuzzsupport::Check(SamePoints(lu, relu), "intraday points change through a write and a read");
    return 0;
}
