// Feeds arbitrary pages to the library for every site and kind, then drains the history the
// page may hold. The first byte picks the site (one value outside the table), the second the
// kind (one value outside 0..2); the rest is the page. Whatever the page holds, nothing may
// crash or trip a sanitizer; a date that does not convert is an answer, not a fault.

#include "quotescan/AskWeb.h"

#include "platform/ConversionError.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    AskWeb ask;
    std::memset(&ask, 0, sizeof ask);
    ask.Site = data[0] % 5;
    ask.Type = static_cast<AskKind>(data[1] % 4); // the unknown kind too
    std::strcpy(ask.Code, "12000");
    // Intraday points are written, but nowhere that keeps them.
    std::strcpy(ask.Fichier, "/dev/null");
    ask.Infos.Date = 36962; // a day number any date text accepts

    std::vector<char> page(data + 2, data + size);
    page.push_back('\0');
    try {
        GetFormule(&ask);
        if (AnalyseRep(&ask, page.data())) {
            InfosCours infos;
            do {
                std::memset(&infos, 0, sizeof infos);
            } while (!GetNextRep(&infos));
        }
    } catch (const platform::ConversionError&) {
    }
    // The NUL that ends the page must still be there: nothing is written past it.
    if (page.back() != '\0')
        __builtin_trap();
    return 0;
}
