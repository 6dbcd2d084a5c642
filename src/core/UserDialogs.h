#pragma once
// Message boxes and file-name dialogs, so that tests can answer them and
// record every text and title.

#include <QString>

namespace ksr {

enum class MessageIcon { None, Information, Exclamation, Critical, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;
    // Shown under the text, smaller (why it came to this); none when empty.
    QString details = {};
    // For YesNo: the buttons' own words, when not "Yes" and "No".
    QString yesText = {};
    QString noText = {};
    // For YesNo: the answer of a box closed without a button (Escape, the
    // close box, the program told to end).
    MessageAnswer escapeAnswer = MessageAnswer::No;
};

struct FileDialogRequest {
    QString title;
    QString folder; // where the dialog opens
    QString filter; // Qt filter syntax, e.g. "file preset (*.Fbk)"
    // Added, after a dot, to a chosen name that has no dot (e.g. "Fbk"); none when empty.
    QString defaultSuffix;
    // The name offered in `folder`; none when empty.
    QString fileName = {};
};

struct FolderDialogRequest {
    QString title;
    QString folder; // where the dialog starts
    // The name of a new folder to offer; when empty, an existing folder is chosen.
    QString newFolder;
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    virtual MessageAnswer ShowMessage(const MessageRequest &request) = 0;
    // The chosen path, or an empty string when the user cancels.
    virtual QString GetOpenFileName(const FileDialogRequest &request) = 0;
    virtual QString GetSaveFileName(const FileDialogRequest &request) = 0;
    // The chosen folder, or an empty string when the user cancels.
    virtual QString GetFolderName(const FolderDialogRequest &request) = 0;
};

} // namespace ksr
