#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// The program's settings: keys such as "SoftWare\Corvane" holding typed values, kept in a
// human-readable text file under $XDG_CONFIG_HOME/Corvane/ (default ~/.config/Corvane/) that
// the user can read and mend, rewritten atomically when a changed key is closed so that a
// crash never leaves half a file. A close writes only the values changed since the key was
// opened, into the file as it is then: what another program wrote meanwhile stays.

namespace platform {

class __attribute__((visibility("default"))) SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const std::string& message) : std::runtime_error(message) {}
};

// A line of the key that could not be read, or a value its reader refused.
struct SettingsProblem {
    int line = 0;      // in the file, counted from 1 at its first line; 0 for a value not read
    std::string fault; // what is wrong, as the user is told
};

class SettingsStore {
public:
    enum class Type { String, Integer, Binary };

    SettingsStore() = default;
    ~SettingsStore(); // closes (and so writes) an open key
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The file that holds the key's values.
    static std::string StorePath();

    // Opens an existing key (false when it does not exist and create is false). Another open
    // key is closed first. Key and value names ignore ASCII case, so that a file mended by
    // hand in other letters still reads. A store file that cannot be read (or anything at its
    // path that is no regular file) throws SettingsError. A line of the key that does not read
    // is left out, as a missing value, and listed in Problems; the key then counts as changed,
    // so that its next close writes the file without the line, after keeping a copy of the
    // file's bytes as read (Backup). A key found in several sections reads as one, a later
    // value winning, and is listed in Problems too: its next close writes one section.
    bool OpenKey(const std::string& key, bool create = false);
    // Writes the values changed since the open into the file as it is now, re-read under the
    // lock of its folder; false when the file could not be written (the key is closed all the
    // same, and Failure says why).
    bool CloseKey();
    bool IsOpen() const { return open_; }

    bool ValueExists(const std::string& name) const;
    // Reading a missing or mistyped value throws SettingsError, except that a missing string
    // reads as "", a text never set being an empty one. Writing while no key is open throws
    // too.
    std::string ReadString(const std::string& name) const;
    std::int32_t ReadInteger(const std::string& name) const;
    std::vector<std::uint8_t> ReadBinary(const std::string& name, std::size_t size) const;
    // The bytes of a binary value whatever their count, for a value whose reader can make
    // do with part of it.
    std::vector<std::uint8_t> ReadBinary(const std::string& name) const;
    double ReadFloat(const std::string& name) const; // an 8-byte binary
    double ReadDate(const std::string& name) const;  // an 8-byte binary

    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, std::int32_t value);
    void WriteBinary(const std::string& name, const std::vector<std::uint8_t>& value);
    void WriteFloat(const std::string& name, double value);
    void WriteDate(const std::string& name, double value);
    bool DeleteValue(const std::string& name);

    // Drops a value that its reader cannot use (a date of another length, say) as a problem of
    // its line: it reads as missing, and the next close keeps a copy before writing.
    void RefuseValue(const std::string& name, const std::string& fault);
    // The problems of the key last opened, in the order met; kept after its close.
    const std::vector<SettingsProblem>& Problems() const { return problems_; }
    // The copy of the file made before a close dropped the problem lines ("<file>.bak", or
    // "<file>.bak.N" when that name holds other bytes); empty while none was made.
    const std::string& Backup() const { return backup_; }

    // Why the last close could not write the file, as the user is told; empty after a close
    // that wrote it.
    const std::string& Failure() const { return failure_; }

    Type ValueType(const std::string& name) const; // throws SettingsError when missing
    // The open key's value names, sorted with case ignored; none while no key is open.
    std::vector<std::string> ValueNames() const;

private:
    struct Value {
        Type type = Type::String;
        std::string text;
        std::int32_t integer = 0;
        std::vector<std::uint8_t> bytes;
        int line = 0; // where the file held it; 0 for a value written since

        bool SameAs(const Value& other) const;
    };
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    // Why a value line does not read; empty when it reads into name and value.
    static std::string ParseLine(const std::string& line, std::string& name, Value& value);
    using Values = std::map<std::string, Value, NameLess>;
    struct Section;
    static std::vector<Section> ReadSections(const std::string& path, bool& exists,
                                             std::string* bytes);
    // The values of every section of the key, a later one winning; false when none holds it.
    // The lines that do not read, and every section of the key after its first, are problems.
    static bool ReadKey(const std::vector<Section>& sections, const std::string& key,
                        Values& values, std::vector<SettingsProblem>& problems);
    // The file's text with this key's changes applied to what it holds now.
    std::string MergedText(const std::string& path);
    const Value& Find(const std::string& name, Type type) const;
    void Store(const std::string& name, Value value);

    bool open_ = false;
    bool dirty_ = false;
    std::string key_;
    Values values_;
    // The names written or deleted since the open: only these go to the file.
    std::set<std::string, NameLess> changed_;
    std::vector<SettingsProblem> problems_;
    std::string original_; // the file's bytes when the key was opened
    std::string backup_;
    std::string failure_;
};

} // namespace platform
