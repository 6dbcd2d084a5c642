#pragma once
// The progress of a backup or restore in a modal dialog: the entry being
// read or written with its name, a bar, and Cancel, which stops the work at
// the next safe point. The dialog takes its clicks during the device's
// waits (the program lets it); everything it does is set a flag.

#include "operations/DeviceLibrary.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ksr {

class LibraryProgressDialog final : public QDialog, public LibraryProgress {
    Q_OBJECT
public:
    // `verb` says what happens to an entry ("Reading", "Writing"); `nameOf`
    // gives the name of entry 05..20 shown beside it.
    LibraryProgressDialog(const QString &title, const QString &verb, std::function<QString(int)> nameOf,
                          QWidget *parent);

    // LibraryProgress
    void Begin(int totalBytes) override;
    void SetEntry(int entry) override;
    void Advance(int count = 1) override;
    void Finished(const QString &) override {}
    void End() override;
    bool Cancelled() const override { return cancelled_; }

    // Asks the work to stop at its next safe point, as Cancel does.
    void RequestCancel();

    QLabel *EntryLabel = nullptr;
    QProgressBar *Bar = nullptr;
    QLabel *TimeLabel = nullptr; // the time left, once it can be told
    QPushButton *CancelButton = nullptr;

protected:
    // Escape and the close box cancel, as the button does; the dialog
    // closes when the work has stopped.
    void reject() override { RequestCancel(); }

private:
    // Shows the bytes done from the event loop: a bar set at once would
    // paint between two exchanges and hold back the next.
    void PostBarUpdate();

    QString verb_;
    QElapsedTimer begun_;
    int total_ = 0;
    std::function<QString(int)> nameOf_;
    int done_ = 0;
    bool posted_ = false;
    bool cancelled_ = false;
};

} // namespace ksr
