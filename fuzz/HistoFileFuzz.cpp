// The history file reader (.his) on arbitrary files. A file it accepts loads into a table
// in strictly increasing date order (one row per date); saving it and loading the saved
// file gives the very same rows. A refused file leaves an empty table and no security's
// history loaded, so that nothing half-read can be saved over the file.

#include "fuzz/FuzzSupport.h"

#include "platform/ConversionError.h"
#include "platform/DateTime.h"
#include "platform/MemTable.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Row = std::array<double, 5>; // Date, Cours, Haut, Bas, Volume

struct Setup {
    Setup() : doc(folder.Path().string()) {
        platform::Clock::SetFixed(platform::EncodeDate(2024, 6, 1));
        std::filesystem::create_directories(folder.Path() / "historique");
        titre.Code = "FUZZ";
        other.Code = "OTHER";
    }
    fuzzsupport::Folder folder;
    TCorv doc;
    Valeurs titre;
    Valeurs other;
};

std::vector<Row> Rows() {
    const platform::MemTable& table = TheDatas().Historique;
    std::vector<Row> rows(static_cast<std::size_t>(table.RecordCount()));
    for (int r = 0; r < table.RecordCount(); ++r)
        for (int f = 0; f < 5; ++f) {
            fuzzsupport::Check(!table.IsNullAt(r, f), "a loaded history row has an empty field");
            rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(f)] = table.NumberAt(r, f);
        }
    return rows;
}

// Loads the security's file; false when the load was refused.
bool Load(Setup& setup) {
    try {
        fuzzsupport::Check(setup.doc.LoadHistoFile(&setup.titre),
                           "an existing history file does not open");
    } catch (const platform::ConversionError&) {
        fuzzsupport::Check(TheDatas().Historique.IsEmpty(), "a refused history leaves rows");
        fuzzsupport::Check(setup.doc.TitreHisto == nullptr,
                           "a refused history is still the loaded security's");
        return false;
    }
    fuzzsupport::Check(setup.doc.TitreHisto == &setup.titre,
                       "a loaded history is not the security's");
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    const std::string path = setup.doc.HistoFilePath(&setup.titre);
    fuzzsupport::WriteAll(path, std::string_view(reinterpret_cast<const char*>(data), size));
    // Another security's rows stand in the table: a refused load must not leave them either.
    setup.doc.LoadHistoFile(nullptr);
    platform::MemTable& table = TheDatas().Historique;
    table.Append();
    table.Fields(0).SetAsDateTime(1.0);
    table.Post();
    setup.doc.TitreHisto = &setup.other;

    if (!Load(setup))
        return 0;
    const std::vector<Row> loaded = Rows();
    for (std::size_t i = 1; i < loaded.size(); ++i)
        fuzzsupport::Check(loaded[i - 1][0] < loaded[i][0],
                           "history rows are not in strictly increasing date order");

    fuzzsupport::Check(setup.doc.SaveHistoFile(), "an accepted history does not save");
    fuzzsupport::Check(Load(setup), "a saved history is refused");
    fuzzsupport::Check(Rows() == loaded, "a history changes through a save and a load");
    return 0;
}
