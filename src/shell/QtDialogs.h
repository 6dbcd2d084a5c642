#pragma once
// The dialog seam on Qt's own message boxes and file dialogs.

#include "core/UserDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include <memory>

class QWidget;

namespace ksr {

class QtDialogs final : public UserDialogs {
public:
    // Boxes and dialogs open over `parent` (may be null before the main window exists).
    void SetParent(QWidget *parent) { parent_ = parent; }

    MessageAnswer ShowMessage(const MessageRequest &request) override;
    QString GetOpenFileName(const FileDialogRequest &request) override;
    QString GetSaveFileName(const FileDialogRequest &request) override;
    QString GetFolderName(const FolderDialogRequest &request) override;

private:
    QWidget *parent_ = nullptr;
};

// Sets up Qt's own file dialog for a request: title, folder, filter
// (matching the extension in any letter case), default suffix, open or save.
void ConfigureFileDialog(QFileDialog &dialog, const FileDialogRequest &request, QFileDialog::AcceptMode mode);

// Sets up Qt's own file dialog to choose a folder: an existing one, or a
// new one whose offered name the user may change.
void ConfigureFolderDialog(QFileDialog &dialog, const FolderDialogRequest &request);

// The message box a request stands for, ready to be shown.
std::unique_ptr<QMessageBox> BuildMessageBox(const MessageRequest &request, QWidget *parent);

} // namespace ksr
