// The real dialog seam: message boxes carry the requested text, title, icon,
// buttons and default; the real program end leaves the event loop.

#include "shell/QtDialogs.h"
#include "shell/QtProgramEnd.h"
#include "shell/WaitFilter.h"
#include "core/Tables.h"

#include <QApplication>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace ksr;

Q_DECLARE_METATYPE(ksr::MessageIcon)
Q_DECLARE_METATYPE(ksr::MessageButtons)
Q_DECLARE_METATYPE(ksr::MessageAnswer)

class QtDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void messageBoxFollowsTheRequest_data()
    {
        QTest::addColumn<MessageIcon>("icon");
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<MessageAnswer>("defaultAnswer");
        QTest::addColumn<int>("qtIcon");
        QTest::addColumn<int>("qtDefault");
        QTest::newRow("time out") << MessageIcon::Exclamation << MessageButtons::Ok << MessageAnswer::Ok
                                  << int(QMessageBox::Warning) << int(QMessageBox::Ok);
        QTest::newRow("exit question") << MessageIcon::None << MessageButtons::YesNo << MessageAnswer::No
                                       << int(QMessageBox::NoIcon) << int(QMessageBox::No);
        QTest::newRow("copy question") << MessageIcon::None << MessageButtons::YesNo << MessageAnswer::Yes
                                       << int(QMessageBox::NoIcon) << int(QMessageBox::Yes);
        QTest::newRow("preset empty") << MessageIcon::Critical << MessageButtons::Ok << MessageAnswer::Ok
                                      << int(QMessageBox::Critical) << int(QMessageBox::Ok);
    }
    void messageBoxFollowsTheRequest()
    {
        QFETCH(MessageIcon, icon);
        QFETCH(MessageButtons, buttons);
        QFETCH(MessageAnswer, defaultAnswer);
        QFETCH(int, qtIcon);
        QFETCH(int, qtDefault);
        const auto box = BuildMessageBox({QStringLiteral("  Incorrect value"), QStringLiteral("Warning"), icon,
                                          buttons, defaultAnswer},
                                         nullptr);
        QCOMPARE(box->text(), QStringLiteral("  Incorrect value"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Warning"));
        QCOMPARE(int(box->icon()), qtIcon);
        QCOMPARE(box->buttons().size(), buttons == MessageButtons::YesNo ? 2 : 1);
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::StandardButton(qtDefault)));
    }

    // The buttons of a question say what they do; Yes stays the default.
    void buttonsCarryTheirOwnWords()
    {
        MessageRequest question{QStringLiteral("The device is back."), QString(), MessageIcon::Question,
                                MessageButtons::YesNo, MessageAnswer::Yes};
        question.yesText = QStringLiteral("Keep the device's settings");
        question.noText = QStringLiteral("Send the window's settings");
        const auto box = BuildMessageBox(question, nullptr);
        QCOMPARE(box->button(QMessageBox::Yes)->text(), question.yesText);
        QCOMPARE(box->button(QMessageBox::No)->text(), question.noText);
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        // Closed without an answer: No, unless the question says otherwise.
        QCOMPARE(box->escapeButton(), box->button(QMessageBox::No));
        question.escapeAnswer = MessageAnswer::Yes;
        const auto kept = BuildMessageBox(question, nullptr);
        QCOMPARE(kept->escapeButton(), kept->button(QMessageBox::Yes));
    }

    void boxWithoutTitleCarriesTheApplicationTitle()
    {
        const auto box = BuildMessageBox({QStringLiteral("Time out"), QString()}, nullptr);
        QCOMPARE(box->windowTitle(), QString::fromLatin1(ApplicationTitle));
        // Wide enough for that title and a title bar's buttons, though its
        // text is two words.
        QVERIFY(box->sizeHint().width() >= box->fontMetrics().horizontalAdvance(box->windowTitle()) + 100);
    }

    void answerComesFromTheButtonPressed_data()
    {
        QTest::addColumn<bool>("deviceBusy");
        QTest::newRow("idle") << false;
        // "Time out" opens while the link waits: its box alone takes input.
        QTest::newRow("opened during a device wait") << true;
    }

    void answerComesFromTheButtonPressed()
    {
        QFETCH(bool, deviceBusy);
        WaitFilter filter;
        filter.SetBusy(deviceBusy);
        QtDialogs dialogs;
        QTimer::singleShot(0, [] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        });
        // Should the click be lost, the box goes rather than hang the test.
        QObject row;
        QTimer::singleShot(3000, &row, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->hide();
        });
        QCOMPARE(dialogs.ShowMessage({QStringLiteral("               Are you sure ? "), QStringLiteral("Exit"),
                                      MessageIcon::None, MessageButtons::YesNo, MessageAnswer::No}),
                 MessageAnswer::Yes);
        filter.SetBusy(false);
    }

    void fileFilterMatchesAnyLetterCase()
    {
        QTemporaryDir dir;
        for (const char *name : {"show.Fbk", "loud.FBK", "quiet.fbk", "notes.txt"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFileDialog dialog;
        ConfigureFileDialog(dialog, {QStringLiteral("Load Preset from PC"), dir.path(),
                                     QStringLiteral("file preset (*.Fbk)"), QString()},
                            QFileDialog::AcceptOpen);
        auto *model = dialog.findChild<QFileSystemModel *>();
        QVERIFY(model);
        dialog.show();
        const QModelIndex root = model->index(dir.path());
        // The file names the dialog lists once it has read the folder.
        const auto shown = [&] {
            QStringList names;
            for (int r = 0; r < model->rowCount(root); ++r)
                names << model->index(r, 0, root).data().toString();
            names.sort();
            return names;
        };
        QTRY_COMPARE(shown(), (QStringList{QStringLiteral("loud.FBK"), QStringLiteral("quiet.fbk"),
                                           QStringLiteral("show.Fbk")}));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Load Preset from PC"));
    }

    // The save dialog adds the request's suffix to a name typed without
    // extension, and keeps a name with any extension.
    void saveDialogAddsTheSuffixToABareName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("no extension") << "soundcheck-main" << "soundcheck-main.Fbk";
        QTest::newRow(".FBK") << "show.FBK" << "show.FBK";
        QTest::newRow("another extension") << "notes.txt" << "notes.txt";
    }
    void saveDialogAddsTheSuffixToABareName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QTemporaryDir dir;
        QFileDialog dialog;
        ConfigureFileDialog(dialog, {QStringLiteral("Save Preset to PC"), dir.path(),
                                     QStringLiteral("file preset (*.Fbk)"), QStringLiteral("Fbk")},
                            QFileDialog::AcceptSave);
        dialog.show();
        auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QTest::keyClicks(name, typed);
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedFiles(), QStringList{QDir(dir.path()).filePath(chosen)});
    }

    // A name the request offers is in the name box, in the request's folder.
    void saveDialogOffersTheRequestsName()
    {
        QTemporaryDir dir;
        QFileDialog dialog;
        ConfigureFileDialog(dialog, {QStringLiteral("Export PNG"), dir.path(), QStringLiteral("PNG image (*.png)"),
                                     QStringLiteral("png"), QStringLiteral("ringout-2026-12-10-2.png")},
                            QFileDialog::AcceptSave);
        dialog.show();
        QCOMPARE(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());
        auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QCOMPARE(name->text(), QStringLiteral("ringout-2026-12-10-2.png"));
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(dialog.selectedFiles(), QStringList{QDir(dir.path()).filePath(QStringLiteral("ringout-2026-12-10-2.png"))});
    }

    void programEndLeavesTheEventLoop()
    {
        QtProgramEnd end;
        QTimer::singleShot(0, [&end] { end.EndProgram(3); });
        QCOMPARE(QCoreApplication::exec(), 3);
        QVERIFY(end.Requested());
    }

    void programEndBeforeTheLoopIsRemembered()
    {
        QtProgramEnd end;
        end.EndProgram(1);
        QVERIFY(end.Requested());
        QCOMPARE(end.ExitCode(), 1);
    }
};

QTEST_MAIN(QtDialogsTest)
#include "tst_qtdialogs.moc"
