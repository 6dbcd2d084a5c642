#pragma once
// The dialog and program-end seams of the command line: messages go to
// stderr, file dialogs choose nothing, and the end of the program is only
// recorded for main() to return.

#include "core/ProgramEnd.h"
#include "core/UserDialogs.h"

namespace ksr {

class CliDialogs final : public UserDialogs {
public:
    // Prints the text on stderr and takes the default answer.
    MessageAnswer ShowMessage(const MessageRequest &request) override;
    // No file is chosen: the commands name their files themselves.
    QString GetOpenFileName(const FileDialogRequest &) override { return {}; }
    QString GetSaveFileName(const FileDialogRequest &) override { return {}; }
    QString GetFolderName(const FolderDialogRequest &) override { return {}; }
};

class CliProgramEnd final : public ProgramEnd {
public:
    // Records the exit status the program ends with.
    void EndProgram(int exitCode) override
    {
        requested_ = true;
        exitCode_ = exitCode;
    }
    bool Requested() const { return requested_; }
    int ExitCode() const { return exitCode_; }

private:
    bool requested_ = false;
    int exitCode_ = 0;
};

// Prints "ksr704-cli: TEXT" on stderr.
void PrintError(const QString &text);

} // namespace ksr
