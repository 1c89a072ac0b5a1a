// The alarm log reader (.cvl) of the alarm list on arbitrary logs, through the dialog the
// user sees. Every non-blank line becomes one row, readable or shown whole. Closing the list
// rewrites the log: opening the rewritten log shows the same rows, and closing it again
// writes the very same text. No message box comes up for a log that can be written.

#include "fuzz/FuzzSupport.h"

#include "dialogs/AlarmLogDialog.h"
#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "widgets/UiPrompts.h"

#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Answers every prompt at once and counts the messages.
class CountingPrompts final : public UiPrompts {
public:
    int messages = 0;
    QMessageBox::StandardButton Message(QWidget*, const QString&, const QString&, QMessageBox::Icon,
                                        QMessageBox::StandardButtons) override {
        ++messages;
        return QMessageBox::Ok;
    }
    QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override {
        return {};
    }
    bool RunDialog(QDialog&) override { return false; }
    bool OpenLocalFile(const QString&) override { return false; }
    bool StartProgram(const QString&, const QStringList&) override { return false; }
};

struct Setup {
    Setup() : doc("") {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app = std::make_unique<QApplication>(argc, argv);
        // Dates with two digits or no year are placed by the clock.
        platform::Clock::SetFixed(platform::EncodeDate(2024, 6, 1));
        doc.Fichier = folder.File("port.cvx");
        log = TCorv::LogPath(doc.Fichier);
    }
    int argc = 1;
    char name[5] = "fuzz";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    fuzzsupport::Folder folder;
    TCorv doc;
    std::string log;
};

std::vector<QString> Rows(const TFLogs& dialog) {
    std::vector<QString> rows;
    for (int r = 0; r < dialog.Liste->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = dialog.Liste->topLevelItem(r);
        QString row;
        for (int c = 0; c < dialog.Liste->columnCount(); ++c)
            row += item->text(c) + QChar(0);
        rows.push_back(row);
    }
    return rows;
}

// Lines end with LF or CRLF; a line of blanks only is no entry.
std::size_t NonBlankLines(std::string_view text) {
    std::size_t count = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t") != std::string_view::npos)
            ++count;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    fuzzsupport::WriteAll(setup.log, input);
    CountingPrompts prompts;

    std::vector<QString> shown;
    {
        TFLogs dialog(nullptr, &setup.doc, prompts);
        shown = Rows(dialog);
        fuzzsupport::Check(shown.size() == NonBlankLines(input),
                           "a non-blank line of the log is not listed");
        dialog.Quitter->click();
    }
    fuzzsupport::Check(prompts.messages == 0, "rewriting the log brought up a message");
    const std::string first = fuzzsupport::ReadAll(setup.log);
    {
        TFLogs dialog(nullptr, &setup.doc, prompts);
        fuzzsupport::Check(Rows(dialog) == shown, "the rewritten log lists other rows");
        dialog.Quitter->click();
    }
    fuzzsupport::Check(prompts.messages == 0, "rewriting the log brought up a message");
    fuzzsupport::Check(fuzzsupport::ReadAll(setup.log) == first,
                       "rewriting an unchanged log changes it");
    return 0;
}
