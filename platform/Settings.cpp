#include "platform/Settings.h"

#include "platform/FileLock.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// The store file holds one section per key, "[key]", followed by its values, one per line:
// NAME=TYPE:DATA. Sections of other keys are kept line for line when a key is written back.

namespace platform {

namespace {

const char* const kHeader =
    "# Corvane settings, kept from one run of the program to the next.\n"
    "# One [section] per key, then one value per line: NAME=TYPE:DATA, where TYPE is\n"
    "#   string   DATA is UTF-8 text; \"\\\\\" stands for a backslash, \"\\n\" for a line feed,\n"
    "#            \"\\r\" for a carriage return, \"\\xHH\" for any other control byte;\n"
    "#   integer  DATA is a signed 32-bit decimal number;\n"
    "#   binary   DATA is the bytes in hexadecimal, two digits each (numbers and dates are 8\n"
    "#            bytes, an IEEE double with its least significant byte first).\n"
    "# Names take the same escapes, \"\\x3D\" standing for \"=\". Lines starting with \"#\" or\n"
    "# \";\" are comments. The program rewrites this file whole when it changes a value.\n";

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// "\SoftWare\Corvane\" and "SoftWare\Corvane" name the same key.
std::string NormalizeKey(const std::string& key) {
    std::size_t first = 0;
    std::size_t last = key.size();
    while (first < last && key[first] == '\\')
        ++first;
    while (last > first && key[last - 1] == '\\')
        --last;
    return key.substr(first, last - first);
}

const char kHex[] = "0123456789abcdef";

void AppendHexByte(std::string& out, unsigned char byte) {
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Escape(std::string_view text, bool isName) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool edge = i == 0 || i + 1 == text.size();
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F || (isName && c == '=') ||
                   (isName && i == 0 && (c == '[' || c == '#' || c == ';')) || (edge && c == ' ')) {
            // Blanks at the ends are escaped so that no editor trims them away.
            out += "\\x";
            AppendHexByte(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'x': {
            if (i + 2 >= text.size())
                return false;
            const int high = HexDigit(text[i + 1]);
            const int low = HexDigit(text[i + 2]);
            if (high < 0 || low < 0)
                return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

// The first '=' of a line that is not part of an escape ends the name.
std::size_t FindNameEnd(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '=')
            return i;
    }
    return std::string_view::npos;
}

bool IsBlankOrComment(const std::string& line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == '#' || line[first] == ';';
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return home;
    const passwd* entry = ::getpwuid(::getuid());
    if (entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return ".";
}

[[noreturn]] void Missing(const std::string& name) {
    throw SettingsError("Impossible d'obtenir les données de '" + name + "'");
}

[[noreturn]] void WrongType(const std::string& name) {
    throw SettingsError("Type de données incorrect pour '" + name + "'");
}

std::vector<std::uint8_t> DoubleBytes(double value) {
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    std::vector<std::uint8_t> bytes(8);
    for (std::size_t i = 0; i < 8; ++i)
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return bytes;
}

double BytesDouble(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A copy of the file's bytes beside it: the first free name of "<file>.bak", "<file>.bak.1",
// and so on, or one that holds the same bytes already. Empty when none could be written.
std::string KeepCopy(const std::string& path, const std::string& bytes) {
    struct stat status {};
    const unsigned mode = ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 0777) : 0600;
    constexpr int kCopies = 100;
    for (int n = 0; n < kCopies; ++n) {
        const std::string name = path + ".bak" + (n == 0 ? std::string() : "." + std::to_string(n));
        const WholeFile there = ReadWholeFile(name);
        if (there.state == WholeFile::State::Read && there.text == bytes)
            return name;
        if (there.state == WholeFile::State::Missing && CreateCopy(name, bytes, mode))
            return name;
    }
    return {};
}

// Why the file could not be written, in the words the user is shown.
std::string WriteFailure(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return "le dossier des réglages n'accepte pas l'écriture";
    case ENOSPC:
    case EDQUOT:
        return "le disque est plein";
    case ENAMETOOLONG:
        return "le nom du fichier est trop long";
    default:
        return "l'écriture du fichier n'a pas abouti";
    }
}

} // namespace

bool SettingsStore::NameLess::operator()(const std::string& a, const std::string& b) const {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char x = Lower(a[i]);
        const char y = Lower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

struct SettingsStore::Section {
    std::string name;               // empty for the lines before the first section
    int firstLine = 1;              // the file's line number of lines[0], counted from 1
    std::vector<std::string> lines; // without the "[name]" line
};

// The file's sections. Nothing there reads as no section; anything there that is no readable
// file (a folder, a pipe, a file this user may not read) is an error, and is never waited on.
std::vector<SettingsStore::Section> SettingsStore::ReadSections(const std::string& path,
                                                                bool& exists, std::string* bytes) {
    std::vector<Section> sections(1);
    WholeFile file = ReadWholeFile(path);
    if (file.state == WholeFile::State::Unreadable)
        throw SettingsError("Impossible de lire le fichier des réglages '" + path +
                            "' : " + file.reason);
    exists = file.state == WholeFile::State::Read;
    std::string_view text = file.text;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            sections.push_back(Section{line.substr(1, line.size() - 2), number + 1, {}});
            continue;
        }
        sections.back().lines.push_back(std::move(line));
    }
    if (bytes != nullptr)
        *bytes = std::move(file.text);
    return sections;
}

bool SettingsStore::ReadKey(const std::vector<Section>& sections, const std::string& key,
                            Values& values, std::vector<SettingsProblem>& problems) {
    const Section* first = nullptr;
    for (const Section& section : sections) {
        if (section.name.empty() || !SameName(NormalizeKey(section.name), key))
            continue;
        // Read too, so that nothing of it is lost when the key is written back as one section.
        if (first != nullptr)
            problems.push_back(SettingsProblem{
                section.firstLine - 1, "la clé « " + first->name +
                                           " » figure une seconde fois, sous « [" + section.name +
                                           "] » ; ses valeurs sont réunies en une seule section"});
        else
            first = &section;
        int lineNumber = section.firstLine - 1;
        for (const std::string& line : section.lines) {
            ++lineNumber;
            if (IsBlankOrComment(line))
                continue;
            std::string name;
            Value value;
            const std::string fault = ParseLine(line, name, value);
            // The value is left out, as if missing; the file keeps the line until the first
            // write, which copies the file first.
            if (!fault.empty()) {
                problems.push_back(SettingsProblem{lineNumber, fault});
                continue;
            }
            value.line = lineNumber;
            values.erase(name); // the name keeps the case of its last line
            values.emplace(std::move(name), std::move(value));
        }
    }
    return first != nullptr;
}

std::string SettingsStore::ParseLine(const std::string& line, std::string& name, Value& value) {
    const std::size_t equal = FindNameEnd(line);
    if (equal == std::string::npos)
        return "il manque « = » entre le nom et la valeur";
    const std::size_t colon = line.find(':', equal);
    if (colon == std::string::npos)
        return "il manque « : » entre le type et la valeur";
    if (!Unescape(line.substr(0, equal), name))
        return "le nom contient une séquence « \\ » incorrecte";
    const std::string type = line.substr(equal + 1, colon - equal - 1);
    const std::string_view data = std::string_view(line).substr(colon + 1);
    if (type == "string") {
        value.type = Type::String;
        if (!Unescape(data, value.text))
            return "le texte contient une séquence « \\ » incorrecte";
    } else if (type == "integer") {
        value.type = Type::Integer;
        const auto res = std::from_chars(data.data(), data.data() + data.size(), value.integer);
        if (res.ec != std::errc() || res.ptr != data.data() + data.size())
            return "la valeur n'est pas un nombre entier de 32 bits";
    } else if (type == "binary") {
        value.type = Type::Binary;
        if (data.size() % 2 != 0)
            return "les données hexadécimales ont un nombre impair de chiffres";
        for (std::size_t i = 0; i < data.size(); i += 2) {
            const int high = HexDigit(data[i]);
            const int low = HexDigit(data[i + 1]);
            if (high < 0 || low < 0)
                return "les données contiennent un caractère qui n'est pas hexadécimal";
            value.bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
    } else {
        return "type « " + type + " » inconnu (string, integer ou binary attendu)";
    }
    return {};
}

void SettingsStore::RefuseValue(const std::string& name, const std::string& fault) {
    const auto it = open_ ? values_.find(name) : values_.end();
    if (it == values_.end())
        return;
    problems_.push_back(SettingsProblem{it->second.line, fault});
    changed_.insert(it->first);
    values_.erase(it);
    dirty_ = true;
}

SettingsStore::~SettingsStore() {
    // A destructor cannot report the failure; callers that care close the key themselves.
    CloseKey();
}

std::string SettingsStore::StorePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    // Relative values are to be ignored, as the base-directory convention says.
    if (config != nullptr && config[0] == '/')
        base = config;
    else
        base = HomeFolder() + "/.config";
    return base + "/Corvane/registry.ini";
}

bool SettingsStore::OpenKey(const std::string& key, bool create) {
    if (open_)
        CloseKey();
    const std::string path = StorePath();
    const std::string wanted = NormalizeKey(key);
    bool exists = false;
    problems_.clear();
    backup_.clear();
    failure_.clear();
    changed_.clear();
    values_.clear();
    const std::vector<Section> sections = ReadSections(path, exists, &original_);
    const bool found = ReadKey(sections, wanted, values_, problems_);
    if (!found && !create)
        return false;
    key_ = wanted;
    open_ = true;
    dirty_ = !found || !problems_.empty();
    return true;
}

std::string SettingsStore::MergedText(const std::string& path) {
    bool exists = false;
    std::string bytes;
    const std::vector<Section> sections = ReadSections(path, exists, &bytes);
    Values merged;
    std::vector<SettingsProblem> dropped;
    ReadKey(sections, key_, merged, dropped);
    // Lines that do not read leave the file with this write: a copy of the bytes that hold
    // them is kept first, those read at the open and those found now.
    const auto keep = [&](const std::string& text) {
        std::string copy = KeepCopy(path, text);
        if (copy.empty())
            throw SettingsError("la copie du fichier des réglages n'a pas pu être écrite à côté "
                                "de lui");
        backup_ = std::move(copy);
    };
    if (!problems_.empty())
        keep(original_);
    if (!dropped.empty() && exists && bytes != original_)
        keep(bytes);

    for (const std::string& name : changed_) {
        merged.erase(name);
        if (const auto it = values_.find(name); it != values_.end())
            merged.emplace(it->first, it->second);
    }

    std::string text = kHeader;
    auto writeOurs = [&] {
        text += '[' + key_ + "]\n";
        for (const auto& [name, value] : merged) {
            text += Escape(name, true);
            switch (value.type) {
            case Type::String:
                text += "=string:" + Escape(value.text, false);
                break;
            case Type::Integer:
                text += "=integer:" + std::to_string(value.integer);
                break;
            case Type::Binary:
                text += "=binary:";
                for (const std::uint8_t byte : value.bytes)
                    AppendHexByte(text, byte);
                break;
            }
            text += '\n';
        }
    };
    // The first section is the header, written afresh; a section named "[]" further on is
    // another key's, kept like the others. The key takes the place of its first section.
    bool written = false;
    for (std::size_t i = 1; i < sections.size(); ++i) {
        const Section& section = sections[i];
        if (SameName(NormalizeKey(section.name), key_)) {
            if (!written)
                writeOurs();
            written = true;
            continue;
        }
        text += '[' + section.name + "]\n";
        for (const std::string& line : section.lines) {
            // A line ending in CR reads back whole only when a CR LF ends it: the reader
            // takes one CR off before the LF.
            text += line;
            text += !line.empty() && line.back() == '\r' ? "\r\n" : "\n";
        }
    }
    if (!written)
        writeOurs();
    return text;
}

bool SettingsStore::CloseKey() {
    if (!open_)
        return true;
    open_ = false;
    const bool dirty = std::exchange(dirty_, false) || !changed_.empty();
    if (!dirty) {
        values_.clear();
        return true;
    }
    const std::string path = StorePath();
    try {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
        // Another program's write between this re-read and the rename would be lost.
        const FolderLock lock(path);
        if (!lock.Held())
            throw SettingsError(FolderLockFailure(lock));
        AtomicFileWriter writer(path);
        writer.Write(MergedText(path));
        if (!writer.Commit())
            throw SettingsError(WriteFailure(writer.Error()));
    } catch (const SettingsError& error) {
        failure_ = error.what();
    }
    values_.clear();
    changed_.clear();
    return failure_.empty();
}

bool SettingsStore::ValueExists(const std::string& name) const {
    return open_ && values_.find(name) != values_.end();
}

const SettingsStore::Value& SettingsStore::Find(const std::string& name, Type type) const {
    const auto it = open_ ? values_.find(name) : values_.end();
    if (it == values_.end())
        Missing(name);
    if (it->second.type != type)
        WrongType(name);
    return it->second;
}

void SettingsStore::Store(const std::string& name, Value value) {
    if (!open_)
        throw SettingsError("Impossible de définir les données de '" + name + "'");
    // A value written as it already was is no change: the file keeps what another program
    // may have written there since.
    if (const auto it = values_.find(name); it != values_.end() && it->second.SameAs(value))
        return;
    values_.erase(name); // the name keeps the case of its last write
    values_.emplace(name, std::move(value));
    changed_.insert(name);
}

bool SettingsStore::Value::SameAs(const Value& other) const {
    return type == other.type && text == other.text && integer == other.integer &&
           bytes == other.bytes;
}

std::string SettingsStore::ReadString(const std::string& name) const {
    if (!ValueExists(name))
        return std::string();
    return Find(name, Type::String).text;
}

std::int32_t SettingsStore::ReadInteger(const std::string& name) const {
    return Find(name, Type::Integer).integer;
}

std::vector<std::uint8_t> SettingsStore::ReadBinary(const std::string& name,
                                                    std::size_t size) const {
    const Value& value = Find(name, Type::Binary);
    if (value.bytes.size() != size)
        WrongType(name);
    return value.bytes;
}

std::vector<std::uint8_t> SettingsStore::ReadBinary(const std::string& name) const {
    return Find(name, Type::Binary).bytes;
}

double SettingsStore::ReadFloat(const std::string& name) const {
    return BytesDouble(ReadBinary(name, 8));
}

double SettingsStore::ReadDate(const std::string& name) const {
    return BytesDouble(ReadBinary(name, 8));
}

void SettingsStore::WriteString(const std::string& name, const std::string& value) {
    Value v;
    v.type = Type::String;
    v.text = value;
    Store(name, std::move(v));
}

void SettingsStore::WriteInteger(const std::string& name, std::int32_t value) {
    Value v;
    v.type = Type::Integer;
    v.integer = value;
    Store(name, std::move(v));
}

void SettingsStore::WriteBinary(const std::string& name, const std::vector<std::uint8_t>& value) {
    Value v;
    v.type = Type::Binary;
    v.bytes = value;
    Store(name, std::move(v));
}

void SettingsStore::WriteFloat(const std::string& name, double value) {
    WriteBinary(name, DoubleBytes(value));
}

void SettingsStore::WriteDate(const std::string& name, double value) {
    WriteBinary(name, DoubleBytes(value));
}

bool SettingsStore::DeleteValue(const std::string& name) {
    if (!open_ || values_.erase(name) == 0)
        return false;
    changed_.insert(name);
    return true;
}

SettingsStore::Type SettingsStore::ValueType(const std::string& name) const {
    const auto it = open_ ? values_.find(name) : values_.end();
    if (it == values_.end())
        Missing(name);
    return it->second.type;
}

std::vector<std::string> SettingsStore::ValueNames() const {
    std::vector<std::string> names;
    if (!open_)
        return names;
    names.reserve(values_.size());
    for (const auto& entry : values_)
        names.push_back(entry.first);
    return names;
}

} // namespace platform
