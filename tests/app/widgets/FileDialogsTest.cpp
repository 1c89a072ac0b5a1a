// The program's file dialogs: where they open, and the French of the file list whatever the
// desktop's language.

#include "../AppTestSupport.h"

#include "widgets/FileDialogs.h"

#include <QAbstractProxyModel>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace {

class FileDialogsTest : public AppTest {};

TEST_F(FileDialogsTest, OpenInTheDataFolderThenTheLastFolderUsed) {
    const QString data = QString::fromStdString(dataDir_);
    SetFileDialogFolder(data);
    const auto open =
        MakeFileDialog(nullptr, "Ouvrir", "Tous fichiers (*)", QFileDialog::AcceptOpen);
    EXPECT_TRUE(open->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(QDir(open->directory()).canonicalPath(), QDir(data).canonicalPath());

    std::filesystem::create_directories(Path("ailleurs"));
    const QString chosen = QString::fromStdString(Path("ailleurs/p.cvn"));
    const auto save =
        MakeFileDialog(nullptr, "Enregistrer sous", "Tous fichiers (*)", QFileDialog::AcceptSave);
    QTimer::singleShot(0, save.get(), [&] {
        save->selectFile(chosen);
        QMetaObject::invokeMethod(save.get(), "accept");
    });
    EXPECT_EQ(RunFileDialog(*save), chosen);
    const auto next =
        MakeFileDialog(nullptr, "Ouvrir", "Tous fichiers (*)", QFileDialog::AcceptOpen);
    EXPECT_EQ(QDir(next->directory()).canonicalPath(),
              QDir(QString::fromStdString(Path("ailleurs"))).canonicalPath());
}

TEST_F(FileDialogsTest, TheFileListNamesFoldersAndDatesInFrenchUnderAnyDesktop) {
    const QLocale desktop;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    std::filesystem::create_directories(std::filesystem::path(dataDir_) / "sous");
    WriteFile("data/f.txt", "x");
    SetFileDialogFolder(QString::fromStdString(dataDir_));
    const auto dialog =
        MakeFileDialog(nullptr, "Ouvrir", "Tous fichiers (*)", QFileDialog::AcceptOpen);
    QLocale::setDefault(desktop);
    ASSERT_NE(dialog->proxyModel(), nullptr);
    auto* files = qobject_cast<QFileSystemModel*>(dialog->proxyModel()->sourceModel());
    ASSERT_NE(files, nullptr);
    const QString sous = QString::fromStdString(dataDir_ + "/sous");
    ASSERT_TRUE(QTest::qWaitFor([&] { return files->index(sous).isValid(); }));
    const QModelIndex folder = dialog->proxyModel()->mapFromSource(files->index(sous));
    EXPECT_EQ(folder.siblingAtColumn(2).data().toString(), "Dossier");
    EXPECT_TRUE(QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d$")
                    .match(folder.siblingAtColumn(3).data().toString())
                    .hasMatch())
        << folder.siblingAtColumn(3).data().toString().toStdString();
}

} // namespace
