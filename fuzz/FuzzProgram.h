#pragma once
// The whole program on the offscreen platform, for the fuzz target that
// types into the editor's boxes: one instance for the fuzzer's process,
// started against a device, with dialogs that answer by themselves.

#include "support/ProgramRig.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

namespace ksr::fuzz {

class QuietDialogs final : public UserDialogs {
public:
    QString openFileName;
    MessageAnswer ShowMessage(const MessageRequest &request) override
    {
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    QString GetOpenFileName(const FileDialogRequest &) override { return openFileName; }
    QString GetSaveFileName(const FileDialogRequest &) override { return {}; }
    QString GetFolderName(const FolderDialogRequest &) override { return {}; }
};

class NoEnd final : public ProgramEnd {
public:
    void EndProgram(int) override {}
};

// The tests' whole-program rig on the in-process line, its folder made in
// `within`, which goes with the process (the rig never does).
struct FuzzProgram : test::BasicProgramRig<test::InProcessLine, QuietDialogs, NoEnd> {
    // `fuzzerFolder`, the current folder before the rig made its own the
    // current one: start-up takes the current folder as its own, the
    // fuzzer's paths stay relative to the one it was started in.
    explicit FuzzProgram(const QTemporaryDir &within, const QString &fuzzerFolder = QDir::currentPath())
        : BasicProgramRig(test::RigPlaces{{}, {}, within.path()})
    {
        AttachDevice();
        Start();
        QDir::setCurrent(fuzzerFolder);
    }

    // Ends a run as the event loop and the tests would: delivers the events
    // the run posted (repaints, shown and hidden windows), which pile up
    // without a running event loop, and forgets the frames the port and the
    // device keep for tests.
    void EndRun()
    {
        QCoreApplication::sendPostedEvents();
        ForgetFrames();
    }
};

// The application and program every run of a target uses. They live until
// the process ends: Qt's GUI objects must not be destroyed by exit handlers.
inline FuzzProgram &SharedProgram()
{
    static QTemporaryDir folder;
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static auto *app = new QApplication(argc, argv);
    static auto *program = new FuzzProgram(folder);
    Q_UNUSED(app);
    return *program;
}

} // namespace ksr::fuzz

// Builds the program before the first input, so that start-up does not
// count as what an input reached.
extern "C" inline int LLVMFuzzerInitialize(int *, char ***)
{
    ksr::fuzz::SharedProgram();
    return 0;
}
