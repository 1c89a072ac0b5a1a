#include "platform/Settings.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace platform;
namespace fs = std::filesystem;

namespace {

const std::string kKey = "SoftWare\\Corvane";

// Each test gets its own configuration folder through XDG_CONFIG_HOME.
class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old != nullptr)
            saved_ = old;
        ::setenv("XDG_CONFIG_HOME", folder_.Path().c_str(), 1);
    }
    void TearDown() override {
        if (saved_)
            ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    std::string File() const { return folder_.File("Corvane/registry.ini"); }
    std::string Content() const {
        std::ifstream in(File(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void PutFile(const std::string& text) const {
        fs::create_directories(folder_.Path() / "Corvane");
        std::ofstream(File(), std::ios::binary) << text;
    }

    const TempFolder folder_;
    std::optional<std::string> saved_;
};

} // namespace

TEST_F(Settings, StorePathFollowsXdgConfigHome) {
    EXPECT_EQ(SettingsStore::StorePath(), File());
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(SettingsStore::StorePath(), "/home/someone/.config/Corvane/registry.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsStore::StorePath(), "/home/someone/.config/Corvane/registry.ini");
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(Settings, OpenWithoutCreateNeedsTheKey) {
    SettingsStore store;
    EXPECT_FALSE(store.OpenKey(kKey));
    EXPECT_FALSE(store.IsOpen());
    EXPECT_FALSE(fs::exists(File()));
    PutFile("[SoftWare\\Other]\nA=integer:1\n");
    EXPECT_FALSE(store.OpenKey(kKey));
    // With no key open nothing can be written, as the program expects of a missing key.
    EXPECT_FALSE(store.ValueExists("A"));
    EXPECT_THROW(store.WriteInteger("MOYENNE1", 10), SettingsError);
    EXPECT_THROW(store.ReadInteger("A"), SettingsError);
}

TEST_F(Settings, TypedValuesRoundTripAndAreWrittenOnlyAtClose) {
    const std::string tricky = "a=b\\c\\\\n\nline2\r\n \t é € [x] #y ";
    const std::vector<std::uint8_t> bytes = {11, 12, 13, 0, 255, 0x7f, 0x80, 1,  2,  3,  4,
                                             5,  6,  7,  8, 9,   10,   14,   15, 16, 17, 0};
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenKey(kKey, true));
        store.WriteString("INSTALL", "/opt/corvane/data");
        store.WriteString("TRICKY", tricky);
        store.WriteString("EMPTY", "");
        store.WriteString("odd=name\\x", "v");
        store.WriteInteger("MOYENNE1", 10);
        store.WriteInteger("MIN", std::numeric_limits<std::int32_t>::min());
        store.WriteInteger("MAX", std::numeric_limits<std::int32_t>::max());
        store.WriteBinary("COLREP2", bytes);
        store.WriteFloat("TAUX", 6.55957);
        store.WriteDate("DATELIQP", 45351.0);
        EXPECT_FALSE(fs::exists(File()));
        EXPECT_TRUE(store.CloseKey());
    }
    ASSERT_TRUE(fs::exists(File()));
    const std::string text = Content();
    EXPECT_NE(text.find("[SoftWare\\Corvane]\n"), std::string::npos);
    EXPECT_NE(text.find("MOYENNE1=integer:10\n"), std::string::npos);
    EXPECT_NE(text.find("INSTALL=string:/opt/corvane/data\n"), std::string::npos);

    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey));
    EXPECT_EQ(store.ReadString("INSTALL"), "/opt/corvane/data");
    EXPECT_EQ(store.ReadString("TRICKY"), tricky);
    EXPECT_TRUE(store.ValueExists("EMPTY"));
    EXPECT_EQ(store.ReadString("EMPTY"), "");
    EXPECT_EQ(store.ReadString("odd=name\\x"), "v");
    EXPECT_EQ(store.ReadInteger("MOYENNE1"), 10);
    EXPECT_EQ(store.ReadInteger("MIN"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(store.ReadInteger("MAX"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(store.ReadBinary("COLREP2", 22), bytes);
    EXPECT_EQ(store.ReadFloat("TAUX"), 6.55957);
    EXPECT_EQ(store.ReadDate("DATELIQP"), 45351.0);
    EXPECT_EQ(store.ValueType("TAUX"), SettingsStore::Type::Binary);
    // The double is stored as little-endian IEEE bytes: 1.0 is 00..f03f.
    store.WriteFloat("ONE", 1.0);
    EXPECT_EQ(store.ReadBinary("ONE", 8),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0xf0, 0x3f}));
}

TEST_F(Settings, MissingAndMistypedValues) {
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey, true));
    store.WriteString("S", "10");
    store.WriteInteger("I", 3);
    store.WriteBinary("B4", {1, 2, 3, 4});
    EXPECT_FALSE(store.ValueExists("NONE"));
    EXPECT_EQ(store.ReadString("NONE"), ""); // a text never set is empty
    EXPECT_THROW(store.ReadInteger("NONE"), SettingsError);
    EXPECT_THROW(store.ReadFloat("NONE"), SettingsError);
    EXPECT_THROW(store.ReadDate("NONE"), SettingsError);
    EXPECT_THROW(store.ReadBinary("NONE", 4), SettingsError);
    EXPECT_THROW(store.ValueType("NONE"), SettingsError);
    EXPECT_THROW(store.ReadInteger("S"), SettingsError);
    EXPECT_THROW(store.ReadString("I"), SettingsError);
    EXPECT_THROW(store.ReadFloat("B4"), SettingsError);
    EXPECT_THROW(store.ReadBinary("B4", 5), SettingsError);
    // Without a size, any count of bytes reads, but only from a binary value.
    EXPECT_EQ(store.ReadBinary("B4"), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_THROW(store.ReadBinary("S"), SettingsError);
    EXPECT_THROW(store.ReadBinary("NONE"), SettingsError);
    EXPECT_THROW(store.ReadInteger("B4"), SettingsError);
    try {
        store.ReadInteger("S");
    } catch (const SettingsError& e) {
        EXPECT_NE(std::string(e.what()).find("'S'"), std::string::npos);
    }
    EXPECT_TRUE(store.DeleteValue("S"));
    EXPECT_FALSE(store.DeleteValue("S"));
    EXPECT_FALSE(store.ValueExists("S"));
}

TEST_F(Settings, NamesIgnoreCaseAndOtherKeysAreKept) {
    PutFile("# hand-written\n[Other\\Key]\nX=string:keep me\n; note\n\n[SoftWare\\Corvane]\n"
            "Moyenne1=integer:12\n");
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenKey("\\software\\corvane"));
        EXPECT_EQ(store.ReadInteger("MOYENNE1"), 12);
        store.WriteInteger("moyenne1", 15);
        store.WriteInteger("RSI", 7);
    } // the destructor closes and writes
    const std::string text = Content();
    EXPECT_NE(text.find("[Other\\Key]\nX=string:keep me\n; note\n"), std::string::npos);
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey));
    EXPECT_EQ(store.ReadInteger("Moyenne1"), 15);
    EXPECT_EQ(store.ReadInteger("rsi"), 7);
}

TEST_F(Settings, ASectionWithAnEmptyNameIsKeptLikeAnyOther) {
    PutFile("[SoftWare\\Corvane]\nA=integer:1\n[]\nz=string:kept\n[Other]\nY=integer:2\n");
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenKey(kKey));
        store.WriteInteger("A", 3);
        ASSERT_TRUE(store.CloseKey());
    }
    EXPECT_NE(Content().find("[SoftWare\\Corvane]\nA=integer:3\n[]\nz=string:kept\n[Other]\nY="
                             "integer:2\n"),
              std::string::npos);
}

TEST_F(Settings, AnotherSectionsLineEndingInACarriageReturnKeepsIt) {
    // "x\r\r\n" is the line "x\r": written back with a bare LF it would read as "x".
    PutFile("[Other]\nx\r\r\ny\r\n[SoftWare\\Corvane]\nA=integer:1\n");
    for (int fois = 0; fois < 2; ++fois) {
        SettingsStore store;
        ASSERT_TRUE(store.OpenKey(kKey));
        store.WriteInteger("A", 2 + fois);
        ASSERT_TRUE(store.CloseKey());
        EXPECT_NE(Content().find("[Other]\nx\r\r\ny\n[SoftWare"), std::string::npos);
    }
}

TEST_F(Settings, UnchangedKeyIsNotRewritten) {
    PutFile("[SoftWare\\Corvane]\nINSTALL=string:/data\n");
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey));
    EXPECT_EQ(store.ReadString("INSTALL"), "/data");
    fs::remove(File());
    EXPECT_TRUE(store.CloseKey());
    EXPECT_FALSE(fs::exists(File()));
}

// A line that does not read is left out and listed by its line in the file; the first write
// drops it only after a copy of the file's bytes is kept beside it.
TEST_F(Settings, DamagedLinesAreReportedAndKeptInACopy) {
    const std::string damaged = "# settings\n[Other]\nX=integer:oops\n[SoftWare\\Corvane]\r\n"
                                "INSTALL=string:/data\nRSI=integer:seven\nB=binary:0g\n"
                                "I=integer:2147483648\nno separator\nT=float:1\nS=string:\\q\n"
                                "MAJ=integer:1\n";
    PutFile(damaged);
    fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write);
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenKey(kKey));
        EXPECT_EQ(store.ReadString("INSTALL"), "/data");
        EXPECT_EQ(store.ReadInteger("MAJ"), 1);
        for (const char* name : {"RSI", "B", "I", "T", "S"})
            EXPECT_FALSE(store.ValueExists(name)) << name;
        std::vector<int> lines;
        for (const SettingsProblem& problem : store.Problems()) {
            lines.push_back(problem.line);
            EXPECT_FALSE(problem.fault.empty());
        }
        EXPECT_EQ(lines, (std::vector<int>{6, 7, 8, 9, 10, 11}));
        EXPECT_EQ(Content(), damaged); // nothing written yet
        store.RefuseValue("MAJ", "refused");
        EXPECT_EQ(store.Problems().back().line, 12);
        EXPECT_FALSE(store.ValueExists("MAJ"));
        EXPECT_TRUE(store.CloseKey());
        EXPECT_EQ(store.Backup(), File() + ".bak");
    }
    std::ifstream copy(File() + ".bak", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), damaged);
    EXPECT_EQ(fs::status(File() + ".bak").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(Content().find("X=integer:oops"), std::string::npos); // another key's line
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey));
    EXPECT_TRUE(store.Problems().empty());
    EXPECT_EQ(store.ReadString("INSTALL"), "/data");

    // A copy already there with other bytes is kept: the next free name takes the new one.
    store.CloseKey();
    PutFile("[SoftWare\\Corvane]\nbad\n");
    ASSERT_TRUE(store.OpenKey(kKey));
    EXPECT_TRUE(store.CloseKey());
    EXPECT_EQ(store.Backup(), File() + ".bak.1");
}

// Anything at the file's path that is no regular file is an error at once, never waited on.
TEST_F(Settings, AFolderOrAPipeAtTheFileIsAnError) {
    fs::create_directories(File());
    SettingsStore store;
    EXPECT_THROW(store.OpenKey(kKey), SettingsError);
    fs::remove(File());
    ASSERT_EQ(::mkfifo(File().c_str(), 0644), 0);
    EXPECT_THROW(store.OpenKey(kKey), SettingsError);
    EXPECT_TRUE(fs::is_fifo(File()));
}

TEST_F(Settings, CloseReportsAFileThatCannotBeWritten) {
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey, true));
    store.WriteInteger("I", 1);
    // A folder in place of the file makes the atomic rename fail.
    fs::create_directories(File());
    EXPECT_FALSE(store.CloseKey());
    EXPECT_TRUE(fs::is_directory(File()));
}

// Another program (or another window) writes the key while this one has it open: each close
// writes only its own changes, so neither loses the other's.
TEST_F(Settings, CloseWritesOnlyItsChangesIntoTheFileAsItIsNow) {
    PutFile("[SoftWare\\Corvane]\nMAJ=integer:0\nPROXY=integer:0\n");
    SettingsStore ours;
    ASSERT_TRUE(ours.OpenKey(kKey));
    {
        SettingsStore other;
        ASSERT_TRUE(other.OpenKey(kKey));
        other.WriteInteger("MAJ", 1);
        other.WriteString("PROXYNAME", "proxy.local");
        ASSERT_TRUE(other.CloseKey());
    }
    ours.WriteInteger("MAJ", 0); // as it was read: no change of ours
    ours.WriteInteger("PROXY", 1);
    ASSERT_TRUE(ours.CloseKey());
    ASSERT_TRUE(ours.OpenKey(kKey));
    EXPECT_EQ(ours.ReadInteger("MAJ"), 1);
    EXPECT_EQ(ours.ReadString("PROXYNAME"), "proxy.local");
    EXPECT_EQ(ours.ReadInteger("PROXY"), 1);
}

// The key written twice, in other letters: both sections are read, the user is told once, the
// file's bytes are kept in a copy, and the next write makes them one section.
TEST_F(Settings, ASecondSectionOfTheKeyIsReadAndMerged) {
    const std::string twice =
        "[SoftWare\\Corvane]\nA=integer:1\nB=integer:2\n[Other]\nX=integer:9\n"
        "[SOFTWARE\\corvane]\nB=integer:3\nC=integer:4\n";
    PutFile(twice);
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenKey(kKey));
        EXPECT_EQ(store.ReadInteger("A"), 1);
        EXPECT_EQ(store.ReadInteger("B"), 3);
        EXPECT_EQ(store.ReadInteger("C"), 4);
        ASSERT_EQ(store.Problems().size(), 1u);
        EXPECT_EQ(store.Problems()[0].line, 6);
        EXPECT_TRUE(store.CloseKey());
        EXPECT_EQ(store.Backup(), File() + ".bak");
    }
    std::ifstream copy(File() + ".bak", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), twice);
    EXPECT_NE(Content().find("[SoftWare\\Corvane]\nA=integer:1\nB=integer:3\nC=integer:4\n[Other]\n"
                             "X=integer:9\n"),
              std::string::npos)
        << Content();
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kKey));
    EXPECT_TRUE(store.Problems().empty());
}
