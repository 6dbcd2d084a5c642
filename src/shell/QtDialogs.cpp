#include "shell/QtDialogs.h"

#include "core/Tables.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QSpacerItem>

namespace ksr {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString FileDialog(QWidget *parent, const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    ConfigureFileDialog(dialog, request, mode);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// Room in a title bar besides the title: the window manager's icon, buttons
// and margins.
constexpr int TitleBarRoom = 160;

// Widens `box` so that its title bar shows the whole title (a message box
// sizes itself to its text alone, and window managers cut the title short).
void FitTitle(QMessageBox &box)
{
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + TitleBarRoom;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

} // namespace

void ConfigureFileDialog(QFileDialog &dialog, const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    // Qt's own dialog on every platform, so that it behaves the same everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(request.title);
    dialog.setDirectory(request.folder);
    dialog.setNameFilter(request.filter);
    // "*.Fbk" also lists "x.FBK" and "x.fbk" on a case-sensitive file system.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setAcceptMode(mode);
    dialog.setDefaultSuffix(request.defaultSuffix);
    // The open dialog, too, takes a typed name of a file that does not exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
}

void ConfigureFolderDialog(QFileDialog &dialog, const FolderDialogRequest &request)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowTitle(request.title);
    dialog.setDirectory(request.folder);
    if (request.newFolder.isEmpty()) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        return;
    }
    // A name that is not there yet: the folder is made when it is written.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Folder name:"));
    dialog.selectFile(request.newFolder);
}

std::unique_ptr<QMessageBox> BuildMessageBox(const MessageRequest &request, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(request.title.isEmpty() ? QString::fromLatin1(ApplicationTitle) : request.title);
    box->setText(request.text);
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(request.details);
    box->setIcon(ToQtIcon(request.icon));
    if (request.buttons == MessageButtons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(request.defaultAnswer == MessageAnswer::No ? QMessageBox::No : QMessageBox::Yes);
        box->setEscapeButton(request.escapeAnswer == MessageAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
        if (!request.yesText.isEmpty())
            box->button(QMessageBox::Yes)->setText(request.yesText);
        if (!request.noText.isEmpty())
            box->button(QMessageBox::No)->setText(request.noText);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    FitTitle(*box);
    return box;
}

MessageAnswer QtDialogs::ShowMessage(const MessageRequest &request)
{
    const auto box = BuildMessageBox(request, parent_);
    switch (box->exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return request.buttons == MessageButtons::YesNo ? request.escapeAnswer : MessageAnswer::Ok;
    }
}

QString QtDialogs::GetOpenFileName(const FileDialogRequest &request)
{
    return FileDialog(parent_, request, QFileDialog::AcceptOpen);
}

QString QtDialogs::GetSaveFileName(const FileDialogRequest &request)
{
    return FileDialog(parent_, request, QFileDialog::AcceptSave);
}

QString QtDialogs::GetFolderName(const FolderDialogRequest &request)
{
    QFileDialog dialog(parent_);
    ConfigureFolderDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace ksr
