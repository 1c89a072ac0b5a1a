#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// The settings store standing in for the registry: one key "SoftWare\Corvane" with typed
// values, kept in a human-readable text file under $XDG_CONFIG_HOME/Corvane/ (default
// ~/.config/Corvane/), rewritten atomically when a changed key is closed.

namespace platform {

class __attribute__((visibility("default"))) SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const std::string& message) : std::runtime_error(message) {}
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
    // key is closed first. Key and value names ignore ASCII case, as the registry's do. A store
    // file that cannot be read throws SettingsError.
    bool OpenKey(const std::string& key, bool create = false);
    // Writes the changed values; false when the file could not be written (the key is closed
    // all the same).
    bool CloseKey();
    bool IsOpen() const { return open_; }

    bool ValueExists(const std::string& name) const;
    // Reading a missing or mistyped value throws SettingsError, except that a missing string
    // reads as "" as the registry wrapper gives it. Writing while no key is open throws too.
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

    Type ValueType(const std::string& name) const; // throws SettingsError when missing
    // The open key's value names, as the registry lists them; none while no key is open.
    std::vector<std::string> ValueNames() const;

private:
    struct Value {
        Type type = Type::String;
        std::string text;
        std::int32_t integer = 0;
        std::vector<std::uint8_t> bytes;
    };
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    const Value& Find(const std::string& name, Type type) const;
    void Store(const std::string& name, Value value);

    bool open_ = false;
    bool dirty_ = false;
    std::string key_;
    std::map<std::string, Value, NameLess> values_;
};

} // namespace platform
