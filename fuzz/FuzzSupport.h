#pragma once

// What every file-reader fuzz target needs: a private folder in memory for the files it
// writes, whole-file reads and writes, and a check that stops the run with a message, so
// that libFuzzer keeps the input that broke a promise of the reader.

#include "tests/support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace fuzzsupport {

// A broken promise is a crash for libFuzzer: the input is saved and the run stops.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void Check(bool condition, const char* what) {
    if (!condition)
        Fail(what);
}

// One folder per run, removed at exit. Every save syncs its file: in memory when possible,
// so that thousands of saves a second stay cheap.
class Folder : public TempFolder {
public:
    Folder() : TempFolder(InMemoryWhenPossible()) {}

private:
    static std::filesystem::path InMemoryWhenPossible() {
        std::error_code error;
        return std::filesystem::is_directory("/dev/shm", error)
                   ? std::filesystem::path("/dev/shm")
                   : std::filesystem::temp_directory_path();
    }
};

inline void WriteAll(const std::string& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    Check(static_cast<bool>(out), "the input file could not be written");
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Check(static_cast<bool>(in), "a written file could not be read back");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace fuzzsupport
