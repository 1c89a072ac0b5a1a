#pragma once

// The program's file dialogs. Qt's own dialog rather than the desktop's, so that what it
// shows is French whatever the desktop's language: the type of a folder, the sizes and the
// dates of the files (dates as digits, day first). They open in the last folder used, at
// first in the data folder.

#include <QFileDialog>
#include <QString>

#include <memory>

// The folder the next dialog opens in; the program gives its data folder at start.
void SetFileDialogFolder(const QString& folder);
QString FileDialogFolder();

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const QString& title,
                                            const QString& filter, QFileDialog::AcceptMode mode);
// Shows the dialog; the file chosen, empty when cancelled. The file's folder becomes the one
// the next dialog opens in.
QString RunFileDialog(QFileDialog& dialog);
