#pragma once
// Test doubles for the dialog and program-end seams: message boxes answered
// from a script, every request recorded; the end of the program recorded.

#include "core/ProgramEnd.h"
#include "core/UserDialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace ksr::test {

class ScriptedDialogs final : public UserDialogs {
public:
    // Answers given to the next message boxes, in order; once used up, a box
    // gets its default answer.
    QList<MessageAnswer> answers;
    QStringList openFileNames;
    QStringList saveFileNames;
    QStringList folderNames;

    QList<MessageRequest> messages;
    QList<FileDialogRequest> fileDialogs;
    QList<FolderDialogRequest> folderDialogs;
    // Runs while a message box would be open.
    std::function<void(const MessageRequest &)> whileShown;

    MessageAnswer ShowMessage(const MessageRequest &request) override
    {
        messages << request;
        if (whileShown)
            whileShown(request);
        return answers.isEmpty() ? request.defaultAnswer : answers.takeFirst();
    }
    QString GetOpenFileName(const FileDialogRequest &request) override
    {
        fileDialogs << request;
        return openFileNames.isEmpty() ? QString() : openFileNames.takeFirst();
    }
    QString GetSaveFileName(const FileDialogRequest &request) override
    {
        fileDialogs << request;
        return saveFileNames.isEmpty() ? QString() : saveFileNames.takeFirst();
    }
    QString GetFolderName(const FolderDialogRequest &request) override
    {
        folderDialogs << request;
        return folderNames.isEmpty() ? QString() : folderNames.takeFirst();
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (const MessageRequest &m : messages)
            texts << m.text;
        return texts;
    }
};

class RecordingProgramEnd final : public ProgramEnd {
public:
    QList<int> exitCodes;
    void EndProgram(int exitCode) override { exitCodes << exitCode; }
    bool Ended() const { return !exitCodes.isEmpty(); }
};

} // namespace ksr::test
