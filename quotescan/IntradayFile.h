#pragma once

#include "quotescan/AskWeb.h"

#include <cstdint>
#include <cstdio>

namespace quotescan {

// The intraday file of a security: a line with the quote's date, then one line "price time"
// per point (price in cents, time as hours x 100 + minutes). It is rewritten in place rather
// than atomically: the points read before a faulty part of the page are kept.
class IntradayFile {
public:
    IntradayFile() = default;
    ~IntradayFile();
    IntradayFile(const IntradayFile&) = delete;
    IntradayFile& operator=(const IntradayFile&) = delete;

    // Creates (or truncates) the file that the request's Fichier names and writes the date line
    // from the request's Infos.Date. False when the path is not terminated within its field or
    // the file cannot be created, or what stands at the path is no regular file.
    bool Create(const AskWeb& ask);
    bool WritePoint(std::int32_t price, std::int32_t time);
    // False when something could not be written.
    bool Close();

private:
    bool WriteLine(const char* text, std::size_t length);

    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

} // namespace quotescan
