#pragma once

// The program's settings key and the helpers every settings user of the window shares.

#include "platform/Settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr const char* kCleProgramme = "SoftWare\\Corvane";
inline constexpr std::size_t kColRepSize = 22;
// Columns of the repartition list when the user never chose any.
inline constexpr std::array<std::uint8_t, kColRepSize> kColRepDefaut{11, 12, 13, 14, 3, 9, 6};

// Opens the program key for the length of one operation. The key is never created here: its
// absence means the installation is broken, which is an error for the user.
class OpenedKey {
public:
    explicit OpenedKey(platform::SettingsStore& store);
    ~OpenedKey();
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    // Writes the changed values; errors surface here rather than in the destructor.
    void Close();

private:
    platform::SettingsStore& store_;
};

// Closes the key; a failed write of the settings file is an error.
void CloseOrThrow(platform::SettingsStore& store);

// A missing string reads as empty.
std::string ReadStringOrEmpty(const platform::SettingsStore& store, const char* name);

// Every value the program reads, with the type it reads it as; `taille` is the byte count a
// binary value must hold, 0 for any.
struct ValeurLue {
    const char* nom;
    platform::SettingsStore::Type type;
    std::size_t taille = 0;
};
inline constexpr std::size_t kOctetsDouble = 8; // an IEEE double: the rate and the dates
inline constexpr ValeurLue kValeursLues[] = {
    {"INSTALL", platform::SettingsStore::Type::String},
    {"CURRENT", platform::SettingsStore::Type::String},
    {"MOYENNE1", platform::SettingsStore::Type::Integer},
    {"MOYENNE2", platform::SettingsStore::Type::Integer},
    {"RSI", platform::SettingsStore::Type::Integer},
    {"PERVAR", platform::SettingsStore::Type::Integer},
    {"MAJ", platform::SettingsStore::Type::Integer},
    {"MAJTYPE", platform::SettingsStore::Type::Integer},
    {"TEMPS", platform::SettingsStore::Type::Integer},
    {"LIBLOCAL", platform::SettingsStore::Type::String},
    {"TAUX", platform::SettingsStore::Type::Binary, kOctetsDouble},
    {"HTTP", platform::SettingsStore::Type::Integer},
    {"PROXY", platform::SettingsStore::Type::Integer},
    {"PROXYNAME", platform::SettingsStore::Type::String},
    {"PROXYPORT", platform::SettingsStore::Type::Integer},
    {"DATELIQP", platform::SettingsStore::Type::Binary, kOctetsDouble},
    {"DATEDEB", platform::SettingsStore::Type::Binary, kOctetsDouble},
    {"DATELIQC", platform::SettingsStore::Type::Binary, kOctetsDouble},
    {"DATERENT", platform::SettingsStore::Type::Binary, kOctetsDouble},
    {"COLREP2", platform::SettingsStore::Type::Binary},
    {"HEIGHT", platform::SettingsStore::Type::Integer},
    {"WIDTH", platform::SettingsStore::Type::Integer},
    {"SPLIT", platform::SettingsStore::Type::Integer},
};

// Drops, as unreadable, a value stored with another type than the program reads it as, or a
// binary one with another byte count than it needs: it then reads as missing and takes its
// default, like a line that does not read.
void RefuseMistypedValues(platform::SettingsStore& store);

// What the user is told about the lines of the settings file that the key could not read:
// the file, each line by its number and what is wrong, and where the file's copy was kept.
// Empty when every line read.
std::string SettingsProblemsText(const platform::SettingsStore& store);
