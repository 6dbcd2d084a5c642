#include "operations/PresetFiles.h"

#include "operations/ApplyPresetImage.h"
#include "core/FileWriting.h"
#include "core/PresetFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ksr {

namespace {

const QString ErrorTitle = QStringLiteral(" Error");

// `path` with "." and `suffix` added when its file name has no dot, as the
// file dialog does with its default suffix; a folder's path stays as it is.
QString WithDefaultSuffix(const QString &path, const QString &suffix)
{
    const QFileInfo info(path);
    if (suffix.isEmpty() || info.isDir() || info.fileName().contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + suffix;
}

} // namespace

QString PresetFolder(const QString &startDirectory)
{
    const QDir start(startDirectory);
    const QString upper = start.filePath(QStringLiteral("Preset"));
    const QString lower = start.filePath(QStringLiteral("preset"));
    // On a case-blind file system both names are the same folder.
    return QFileInfo(lower).isDir() && !QFileInfo(upper).isDir() ? lower : upper;
}

PresetFiles::PresetFiles(AppState &state, PresetModel &model, ParameterSender &sender, UserDialogs &dialogs)
    : state_(state), model_(model), sender_(sender), dialogs_(dialogs)
{
}

void PresetFiles::ShowError(const QString &text)
{
    dialogs_.ShowMessage({text, ErrorTitle, MessageIcon::Exclamation});
}

void PresetFiles::LoadPresetFromPc()
{
    // A typed name opens as it is: files saved without extension stay reachable.
    const QString path = dialogs_.GetOpenFileName({QStringLiteral("Load Preset from PC"),
                                                   PresetFolder(state_.StartDirectory),
                                                   QString::fromLatin1(PresetFileFilter), QString()});
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).isFile()) {
        ShowError(QStringLiteral(" File not found. Try again."));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(QStringLiteral(" The file could not be read: %1").arg(file.errorString()));
        return;
    }
    const PresetFileRead read = ParsePresetFile(file.read(PresetImageBytes));
    if (!read.image) {
        ShowError(read.error);
        return;
    }
    ShowLoadedPreset(*read.image, QFileInfo(path).fileName());
}

void PresetFiles::ShowLoadedPreset(const PresetImageArray &image, const QString &fileName)
{
    if (busy_)
        busy_(true);
    ApplyPresetImage(model_, sender_, image, QStringLiteral("Preset loaded from PC"), fileName,
                     ChangeOrigin::FileLoad);
    if (busy_)
        busy_(false);
}

void PresetFiles::SavePresetToPc()
{
    const FileDialogRequest request{QStringLiteral("Save Preset to PC"), PresetFolder(state_.StartDirectory),
                                    QString::fromLatin1(PresetFileFilter), QString::fromLatin1(PresetFileSuffix)};
    const QString chosen = dialogs_.GetSaveFileName(request);
    if (chosen.isEmpty())
        return;
    // The dialog adds the suffix itself; a name that reached us without it still gets it.
    const QString path = WithDefaultSuffix(chosen, request.defaultSuffix);
    QString error;
    if (!ReplaceFileContents(path, PresetFileBytes(model_.Image()), &error))
        ShowError(QStringLiteral(" The preset could not be saved to %1: %2").arg(QFileInfo(path).fileName(), error));
}

} // namespace ksr
