// The settings store's file reader on arbitrary files, opened on the program's key.
// A file it refuses throws the settings error, leaves no key open and is not rewritten.
// A file it accepts is rewritten whole when the key changes: the key reads back with the
// same values and no line left that does not read, rewriting again gives the same text, and
// every other section is kept line for line. Lines of the key that did not read are copied,
// with the whole file as it was, beside it before the first rewrite.

#include "fuzz/FuzzSupport.h"

#include "platform/Settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using platform::SettingsError;
using platform::SettingsStore;

constexpr const char* kKey = "SoftWare\\Corvane";

struct Setup {
    Setup() {
        ::setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
        std::filesystem::create_directories(folder.Path() / "Corvane");
        path = SettingsStore::StorePath();
    }
    fuzzsupport::Folder folder;
    std::string path;
};

// A value as the store gives it back; binary values are compared through the rewritten text.
struct Read {
    SettingsStore::Type type = SettingsStore::Type::String;
    std::string text;
    std::int32_t integer = 0;
    bool operator==(const Read&) const = default;
};

std::map<std::string, Read> Snapshot(const SettingsStore& store) {
    std::map<std::string, Read> values;
    for (const std::string& name : store.ValueNames()) {
        Read read;
        read.type = store.ValueType(name);
        if (read.type == SettingsStore::Type::String)
            read.text = store.ReadString(name);
        else if (read.type == SettingsStore::Type::Integer)
            read.integer = store.ReadInteger(name);
        values.emplace(name, std::move(read));
    }
    return values;
}

// Rewrites the key with the values it holds: a value added and deleted marks it changed.
void Rewrite(SettingsStore& store) {
    std::string probe = "fuzz-probe";
    while (store.ValueExists(probe))
        probe += '+';
    store.WriteInteger(probe, 1);
    fuzzsupport::Check(store.DeleteValue(probe), "a value just written cannot be deleted");
    fuzzsupport::Check(store.CloseKey(), "the settings file cannot be rewritten");
}

// The sections of a store text by the rule the file states: a line "[name]" starts one; the
// first holds the lines before any. Line ends are LF or CRLF.
std::vector<std::pair<std::string, std::vector<std::string>>> Sections(std::string_view text) {
    std::vector<std::pair<std::string, std::vector<std::string>>> sections(1);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
            sections.emplace_back(line.substr(1, line.size() - 2), std::vector<std::string>{});
        else
            sections.back().second.push_back(line);
    }
    return sections;
}

bool IsOurKey(std::string_view name) {
    while (!name.empty() && name.front() == '\\')
        name.remove_prefix(1);
    while (!name.empty() && name.back() == '\\')
        name.remove_suffix(1);
    const std::string_view key = kKey;
    if (name.size() != key.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(name[i]) != lower(key[i]))
            return false;
    }
    return true;
}

std::vector<std::pair<std::string, std::vector<std::string>>> OtherSections(std::string_view text) {
    auto sections = Sections(text);
    sections.erase(sections.begin()); // the header, written afresh
    std::erase_if(sections, [](const auto& s) { return IsOurKey(s.first); });
    return sections;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    fuzzsupport::WriteAll(setup.path, input);

    SettingsStore store;
    bool opened = false;
    try {
        opened = store.OpenKey(kKey);
    } catch (const SettingsError&) {
        fuzzsupport::Check(!store.IsOpen() && store.ValueNames().empty(),
                           "a refused settings file leaves the key open");
        fuzzsupport::Check(store.CloseKey(), "closing a key never opened fails");
        fuzzsupport::Check(fuzzsupport::ReadAll(setup.path) == input,
                           "a refused settings file was rewritten");
        return 0;
    }
    if (!opened) {
        fuzzsupport::Check(!store.IsOpen(), "a missing key is open");
        fuzzsupport::Check(store.OpenKey(kKey, true), "a missing key cannot be created");
    }
    const auto values = Snapshot(store);
    const bool damaged = !store.Problems().empty();
    Rewrite(store);
    if (damaged) {
        fuzzsupport::Check(fuzzsupport::ReadAll(store.Backup()) == input,
                           "the copy of a damaged settings file differs from it");
        std::filesystem::remove(store.Backup());
    }
    const std::string first = fuzzsupport::ReadAll(setup.path);
    fuzzsupport::Check(OtherSections(first) == OtherSections(input),
                       "rewriting the key changed another section");

    try {
        fuzzsupport::Check(store.OpenKey(kKey), "a rewritten key is missing");
    } catch (const SettingsError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        fuzzsupport::Fail("a rewritten settings file is refused");
    }
    fuzzsupport::Check(Snapshot(store) == values, "a key's values change through a rewrite");
    fuzzsupport::Check(store.Problems().empty(), "a rewritten key holds a line that does not read");
    Rewrite(store);
    fuzzsupport::Check(fuzzsupport::ReadAll(setup.path) == first,
                       "rewriting an unchanged key changes the file");
    return 0;
}
