#pragma once

#include "quotescan/AskWeb.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace quotescan_test {

// A test page as the program lends it: a writable, NUL-terminated buffer.
inline std::vector<char> PageText(const std::string& text) {
    std::vector<char> page(text.begin(), text.end());
    page.push_back('\0');
    return page;
}

inline std::string PageFileText(const std::string& name) {
    const std::string path = std::string(CORVANE_TEST_DATA_DIR) + "/quotescan/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("missing test page " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<char> PageFile(const std::string& name) {
    return PageText(PageFileText(name));
}

inline AskWeb Request(int site, AskKind type, const char* code = "12000") {
    AskWeb ask;
    std::memset(&ask, 0, sizeof ask);
    ask.Site = site;
    ask.Type = type;
    std::memcpy(ask.Code, code, std::min(std::strlen(code), sizeof ask.Code - 1));
    return ask;
}

inline std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline void SetFichier(AskWeb& ask, const std::filesystem::path& path) {
    const std::string text = path.string();
    std::memset(ask.Fichier, 0, sizeof ask.Fichier);
    std::memcpy(ask.Fichier, text.c_str(), std::min(text.size(), sizeof ask.Fichier - 1));
}

} // namespace quotescan_test
