#include "widgets/FileDialogs.h"

#include "widgets/QtDates.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QTreeView>

namespace {

QString& LastFolder() {
    static QString folder;
    return folder;
}

// The columns of Qt's file list that it words in the desktop's language (or in English,
// for the type of a folder, which Qt's French translation lacks), worded in French.
class FrenchFileColumns : public QIdentityProxyModel {
public:
    enum Column { Name, Size, Type, Modified };
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files == nullptr || role != Qt::DisplayRole)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QLocale french = FrenchLocale();
        switch (index.column()) {
        case Size:
            if (files->isDir(source))
                return QString();
            return french.formattedDataSize(files->size(source));
        case Type:
            if (files->isDir(source))
                return QString("Dossier");
            break;
        case Modified:
            return french.toString(files->lastModified(source), QString("dd/MM/yyyy HH:mm"));
        default:
            break;
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

void SetFileDialogFolder(const QString& folder) {
    LastFolder() = folder;
}

QString FileDialogFolder() {
    const QString& folder = LastFolder();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const QString& title,
                                            const QString& filter, QFileDialog::AcceptMode mode) {
    auto dialog = std::make_unique<QFileDialog>(parent, title, FileDialogFolder(), filter);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    dialog->setLocale(FrenchLocale());
    dialog->setProxyModel(new FrenchFileColumns(dialog.get()));
    if (auto* details = dialog->findChild<QTreeView*>("treeView")) {
        const int width = details->fontMetrics().horizontalAdvance("00/00/0000 00:00") * 5 / 4;
        details->header()->resizeSection(FrenchFileColumns::Modified, width);
    }
    return dialog;
}

QString RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    SetFileDialogFolder(QFileInfo(chosen).absolutePath());
    return chosen;
}
