#pragma once

// Shared set-up of the history dialogs' tests: a document over the test's data directory,
// securities, history files written and read back, a fresh data module per test.

#include "AppTestSupport.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"
#include "support/Builders.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class HistoFixture : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ResetDatas();
        doc = std::make_unique<TCorv>(dataDir_);
        std::filesystem::create_directories(std::filesystem::path(dataDir_) / "historique");
    }
    void TearDown() override {
        doc.reset();
        AppTest::TearDown();
    }

    void Local() {
        doc->LibLocal = "francs";
        doc->Taux = doc->Facteur = 6.55957f;
    }
    std::string HistoPath(const std::string& code) const {
        return dataDir_ + "/historique/" + code + ".his";
    }
    // data: the lines after the header, "dd/mm/yyyy;cours;haut;bas;volume;" each.
    void WriteHisto(const std::string& code, const std::string& data) {
        std::ofstream(HistoPath(code), std::ios::binary) << "01/01/1970\n" << data;
    }
    std::string ReadText(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string ReadHisto(const std::string& code) const { return ReadText(HistoPath(code)); }
    // Takes the read permission off a history file; the folders stay open, and the history
    // folder writable, to whoever runs the test's next steps (see OtherUser).
    void MakeUnreadable(const std::string& code) {
        namespace fs = std::filesystem;
        const fs::perms open = fs::perms::owner_all | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read |
                               fs::perms::others_exec;
        fs::permissions(dataDir_, open);
        fs::permissions(fs::path(dataDir_) / "historique", fs::perms::all);
        fs::permissions(HistoPath(code), fs::perms::none);
    }
    void MakeReadable(const std::string& code) {
        std::filesystem::permissions(HistoPath(code), std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_write);
    }

    platform::MemTable& Historique() { return TheDatas().Historique; }
    double At(int row, const char* field) {
        return Historique().NumberAt(row, Historique().FindField(field));
    }
    std::int32_t CentsAt(int row, const char* field) { return EurosToCents(At(row, field)); }
    static double Day(int d, int m, int y) { return platform::EncodeDate(y, m, d); }

    std::unique_ptr<TCorv> doc;
};
