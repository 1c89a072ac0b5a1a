#include "quotescan/IntradayFile.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "platform/TextFile.h"

#include <cstring>
#include <string>

namespace quotescan {

IntradayFile::~IntradayFile() {
    Close();
}

bool IntradayFile::Create(const AskWeb& ask) {
    Close();
    failed_ = false;
    if (std::memchr(ask.Fichier, '\0', sizeof ask.Fichier) == nullptr)
        return false;
    // Built before the file is opened: a date that cannot be written leaves no file behind.
    const std::string line = platform::DateToStr(ask.Infos.Date);
    // A pipe or a folder at the path is refused rather than waited on or written into.
    file_ = platform::OpenForWriting(ask.Fichier, platform::WriteMode::Replace);
    if (file_ == nullptr)
        return false;
    WriteLine(line.data(), line.size());
    return true;
}

bool IntradayFile::WritePoint(std::int32_t price, std::int32_t time) {
    const std::string line = platform::FormatInt(price) + ' ' + platform::FormatInt(time);
    return WriteLine(line.data(), line.size());
}

bool IntradayFile::WriteLine(const char* text, std::size_t length) {
    if (file_ == nullptr)
        return false;
    if (std::fwrite(text, 1, length, file_) != length || std::fputc('\n', file_) == EOF)
        failed_ = true;
    return !failed_;
}

bool IntradayFile::Close() {
    if (file_ == nullptr)
        return !failed_;
    if (std::fclose(file_) != 0)
        failed_ = true;
    file_ = nullptr;
    return !failed_;
}

} // namespace quotescan
