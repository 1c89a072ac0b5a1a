#include "quotescan/Sites.h"

#include "platform/Checked.h"

namespace quotescan {

std::unique_ptr<CWebInf> CreateParser(AskWeb* ask) {
    switch (ask->Site) {
    case 0:
        return std::make_unique<CWebFinance>(ask);
    case 1:
        return std::make_unique<CWebCota>(ask);
    case 2:
        return std::make_unique<CWebSelect>(ask);
    case 3:
        return std::make_unique<CWebBourso>(ask);
    default:
        return nullptr;
    }
}

std::int32_t ThousandsToShares(std::int32_t thousands) {
    return platform::Saturate32(platform::Mul64(thousands, 1000));
}

} // namespace quotescan
