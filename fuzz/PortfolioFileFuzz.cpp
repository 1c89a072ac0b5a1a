// The portfolio file reader (.cvx) on arbitrary files. Beyond "no crash, no sanitizer
// report": a file it accepts saves (or, when it told of a text the file cannot keep, the save
// refuses it with a reason), the saved file reads back, and saving that document
// again writes the very same text, so that no record changes on its way through the
// document. A refused file only throws the conversion error the program reports.

#include "fuzz/FuzzSupport.h"

#include "platform/ConversionError.h"
#include "platform/DateTime.h"
#include "portfolio/Cv.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Setup {
    // Two-digit years are placed by the clock: the same input must read the same way on
    // every run.
    Setup() { platform::Clock::SetFixed(platform::EncodeDate(2024, 6, 1)); }
    fuzzsupport::Folder folder;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    const std::string input = setup.folder.File("input.cvx");
    fuzzsupport::WriteAll(input, std::string_view(reinterpret_cast<const char*>(data), size));

    TCorv doc("");
    std::vector<std::string> remarques;
    try {
        doc.LoadFile(input, &remarques);
    } catch (const platform::ConversionError&) {
        return 0; // refused: the program discards the half-read document
    }

    // A text the reader told of may be refused by the save until the user mends it; the save
    // then says which. Anything else accepted must save.
    doc.Fichier = setup.folder.File("saved1.cvx");
    std::string raison;
    if (!doc.SaveFile(&raison)) {
        fuzzsupport::Check(!remarques.empty(), "an accepted portfolio does not save");
        fuzzsupport::Check(!raison.empty(), "a refused save gives no reason");
        return 0;
    }
    const std::string first = fuzzsupport::ReadAll(doc.Fichier);

    TCorv reread("");
    try {
        fuzzsupport::Check(reread.LoadFile(doc.Fichier) == 1, "a saved portfolio does not open");
    } catch (const platform::ConversionError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        fuzzsupport::Fail("a saved portfolio is refused");
    }
    reread.Fichier = setup.folder.File("saved2.cvx");
    fuzzsupport::Check(reread.SaveFile(), "a reread portfolio does not save");
    fuzzsupport::Check(fuzzsupport::ReadAll(reread.Fichier) == first,
                       "a portfolio changes between its first and second save");
    return 0;
}
