#pragma once

// The program's settings as one record: every value of the key "SoftWare\Corvane" with its
// type, default and range, read and checked here once, and written back here value by value.
// The rest of the program takes the record and never names a value.

#include "platform/Settings.h"
#include "portfolio/Cv.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

inline constexpr const char* kCleProgramme = "SoftWare\\Corvane";
inline constexpr std::size_t kColRepSize = 22;
// Columns of the repartition list when the user never chose any.
inline constexpr std::array<std::uint8_t, kColRepSize> kColRepDefaut{11, 12, 13, 14, 3, 9, 6};

// The values, each with its default. The dates are day numbers.
struct ProgramSettings {
    std::string Install;        // the data directory; the set-up tool writes it, the program never
    std::string Current;        // the last document opened or saved
    std::int32_t Moyenne1 = 10; // moving-average periods in days, 0 = off
    std::int32_t Moyenne2 = 20;
    std::int32_t Rsi = 7;
    std::int32_t PerVar = 7;
    bool Maj = false;          // refresh on a timer
    std::int32_t MajType = 2;  // depth of a refresh: 0 quotes, 1 and intraday, 2 and history
    std::int32_t Temps = 10;   // minutes between timed refreshes
    ReglagesDocument Document; // currency label, rate, settlement dates
    std::int32_t Http = 1;     // quote site
    bool Proxy = false;
    std::string ProxyName;
    std::int32_t ProxyPort = 3128;
    double DateDeb = 0.0;  // start of the history chart
    double DateRent = 0.0; // start of the profitability period
    std::array<std::uint8_t, kColRepSize> ColRep = kColRepDefaut;
    // The window's size and the width of its left panel: none until the window first closes.
    std::optional<std::int32_t> Height;
    std::optional<std::int32_t> Width;
    std::optional<std::int32_t> Split;

    // The defaults that depend on the day: the chart starts 30 days before today, the
    // profitability period on 1 January, and the settlement dates carry the mark of a date
    // never set, which the document replaces at its first load.
    static ProgramSettings Defaults(double today);
    // Why the record could not be kept as it is (a value outside its range, named), empty
    // when every value is one the program can use.
    std::string Fault() const;
};

// The record as the settings file holds it. Read once at start; each Save writes only the
// values that changed since the last read or save, so that a value another program wrote
// meanwhile stays.
class SettingsKeeper {
public:
    // Opens the key and reads every value. A missing value takes its default; one of another
    // type than the record's, or outside its range, takes its default too and is listed in
    // ProblemsText. Both are written at the next Save, which first keeps a copy of the file
    // when a line leaves it. False when the key does not exist; throws
    // platform::SettingsError when the file cannot be read.
    bool Read(double today);

    ProgramSettings& Values() { return values_; }
    const ProgramSettings& Values() const { return values_; }

    // Writes what changed into the file as it is now. False when it could not be written, or
    // read (FailureText says why); the changes are then tried again by the next Save.
    bool Save();

    // What the user is told about the lines of the file the read could not take as they
    // were, and where the file's copy was kept; empty when every line read.
    std::string ProblemsText() const;
    // What the user is told when the settings could not be written.
    std::string FailureText() const;

private:
    platform::SettingsStore store_;
    ProgramSettings values_;
    ProgramSettings kept_; // what the file holds as far as this run knows
    // Values the file lacks or holds in a form the record refused: written whatever kept_ says.
    std::set<std::string> aEcrire_;
    std::vector<std::pair<std::string, std::string>> refusees_; // name, why
    std::vector<platform::SettingsProblem> problems_;
    std::string backup_;
    std::string failure_; // why the last save failed
};

// The set-up tool's part: creates the key when missing and names the data directory in it,
// keeping one already named unless force is given. Gives the directory the key names; throws
// platform::SettingsError when the file cannot be read or written.
std::string SetUpInstall(const std::string& folder, bool force);
