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

// Values of eight bytes, an IEEE double: the rate and the dates.
inline constexpr const char* kValeursHuitOctets[] = {"TAUX", "DATELIQP", "DATEDEB", "DATELIQC",
                                                     "DATERENT"};

// Drops, as unreadable, a value of eight bytes stored with another length: it then reads as
// missing and takes its default.
void RefuseShortDoubles(platform::SettingsStore& store);

// What the user is told about the lines of the settings file that the key could not read:
// the file, each line by its number and what is wrong, and where the file's copy was kept.
// Empty when every line read.
std::string SettingsProblemsText(const platform::SettingsStore& store);
