// Presets through the real windows: reading a device preset, storing one
// into a user slot, and the preset files on the PC.

#include "support/FileFaults.h"
#include "support/ProgramRig.h"

#include "core/AnsiText.h"
#include "presets/FrmRead.h"
#include "presets/FrmStore.h"
#include "operations/PresetFiles.h"
#include "operations/PresetMemory.h"
#include "core/PresetFields.h"
#include "core/PresetNames.h"
#include "sim/FixedPresets.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QScrollBar>
#include "core/AnsiText.h"

#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace ksr;
using namespace ksr::test;

namespace {

QByteArray SlotBytes(const sim::SimDevice &device, int slot)
{
    QByteArray bytes;
    for (int i = 0; i < PresetBytes; ++i)
        bytes += char(device.MemoryByte(SlotPresetAddress + PresetBytes * slot + i));
    return bytes;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A recognisable image: byte i holds i * 7 + 3, byte 160 holds 0xA5.
QByteArray PatternImage()
{
    QByteArray bytes(PresetImageBytes, '\0');
    for (int i = 0; i < PresetImageBytes; ++i)
        bytes[i] = char(i * 7 + 3);
    bytes[160] = char(0xA5);
    return bytes;
}

// Makes `folder` refuse new files, also for root; false when it cannot.
bool MakeReadOnly(const QString &folder)
{
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) != 0)
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile probe(folder + QStringLiteral("/probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        return false;
    }
    return true;
}

void MakeWritable(const QString &folder)
{
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Counts the paints of a widget, apart those that come while the device is awaited.
struct PaintCount : QObject {
    explicit PaintCount(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++(waiting ? inWaits : outsideWaits);
        return false;
    }
    bool waiting = false;
    int inWaits = 0;
    int outsideWaits = 0;
};

} // namespace

class PresetsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ProgramRig> rig_;
    AppState &State() { return rig_->program.State(); }
    const PresetValues &Values() const { return rig_->program.Values(); }
    FrmEq &Editor() { return rig_->program.Editor(); }

    void StartWithDevice()
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->StartWithDevice();
    }
    void StartInDemoMode()
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->dialogs.answers = {MessageAnswer::Yes};
        rig_->Start();
        rig_->dialogs.messages.clear();
    }

private slots:
    void cleanup() { rig_.reset(); }

    void readingAUsedEntry()
    {
        StartWithDevice();
        FrmRead read(State(), rig_->program.Presets(), rig_->dialogs);
        QCOMPARE(read.windowTitle(), QStringLiteral("Read Preset"));
        QCOMPARE(read.List1->count(), 20);
        QCOMPARE(read.List1->currentRow(), 0);
        QCOMPARE(read.List1->item(5)->text(), QStringLiteral("  Stage "));
        QVERIFY(read.Label1->text().startsWith(QStringLiteral("01\n02\n")));

        read.List1->setCurrentRow(5);
        rig_->dialogs.answers = {MessageAnswer::Yes};
        read.Command1_Click(1);
        QCOMPARE(rig_->dialogs.messages.front().text,
                 QStringLiteral("Overwrite current editing with the preset 6, are you sure ? "));
        QCOMPARE(rig_->dialogs.messages.front().title, QStringLiteral("Read Preset"));
        // One block read and nothing sent back.
        QCOMPARE(rig_->Writes(), QList<QByteArray>{QByteArray::fromHex("F05B0B050000000000F7")});
        // The slot's bytes, but for the widths of the automatic filters,
        // which take their channel's automatic width.
        QByteArray expected = SlotBytes(rig_->device, 1);
        for (int f = 0; f < FilterCount; ++f) {
            const int c = f / 12;
            if (f % 12 < expected[AutoCountOffset[static_cast<std::size_t>(c)]])
                expected[NotchOffset[static_cast<std::size_t>(f)] + 3] = expected[AutoQOffset[static_cast<std::size_t>(c)]];
        }
        QCOMPARE(ImageBytes(Values(), 0, 160), expected);
        QCOMPARE(Editor().Label8->text(), QStringLiteral("6:   Stage "));
        QCOMPARE(Editor().Label7->text(), QStringLiteral("Preset loaded from Device"));
        QCOMPARE(read.result(), int(QDialog::Accepted));
    }

    void readingAnEmptyEntryRefuses()
    {
        StartWithDevice();
        FrmRead read(State(), rig_->program.Presets(), rig_->dialogs);
        read.List1->setCurrentRow(6);
        read.List1_DblClick();
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        QCOMPARE(rig_->dialogs.messages.front().text, QStringLiteral("Preset empty"));
        QCOMPARE(rig_->dialogs.messages.front().icon, MessageIcon::Critical);
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(read.result(), 0);
    }

    void readingAnsweredNoKeepsTheWindow()
    {
        StartWithDevice();
        FrmRead read(State(), rig_->program.Presets(), rig_->dialogs);
        read.List1->setCurrentRow(19 - 10); // entry 9: user slot 5, empty in the default device
        read.List1->setCurrentRow(8);       // entry 8: user slot 4, used
        rig_->dialogs.answers = {MessageAnswer::No};
        read.Command1_Click(1);
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(read.List1->currentRow(), 8);
        QCOMPARE(read.result(), 0);
    }

    void readingUnlinksTheChannels()
    {
        StartWithDevice();
        Editor().Check2->setChecked(true);
        rig_->port.ClearWrites();
        rig_->dialogs.answers = {MessageAnswer::Yes};
        rig_->program.Presets().ReadDevicePreset(0);
        QCOMPARE(Values().LinkFlag, 0);
        QVERIFY(!Editor().Check2->isChecked());
    }

    void readingInDemoModeChangesOnlyTheTitle()
    {
        StartInDemoMode();
        Editor().HScroll20[11]->setValue(10);
        const QByteArray image = ImageBytes(Values(), 0, 161);
        rig_->program.Presets().ReadDevicePreset(2);
        QCOMPARE(ImageBytes(Values(), 0, 161), image);
        QCOMPARE(Editor().Label8->text(), QStringLiteral("3: Preset03"));
        QVERIFY(rig_->Writes().isEmpty());
    }

    void failedBlockReadKeepsTheEditor()
    {
        StartWithDevice();
        Editor().HScroll20[11]->setValue(10);
        rig_->port.FailWritesWhere([](const QByteArray &b) { return b.startsWith(QByteArray::fromHex("F05B0B")); });
        const QByteArray image = ImageBytes(Values(), 0, 161);
        rig_->program.Presets().ReadDevicePreset(4);
        QCOMPARE(ImageBytes(Values(), 0, 161), image);
        QCOMPARE(Editor().Text1Text(11), QStringLiteral("-35"));
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        QCOMPARE(Editor().Label8->text(), QString());
    }

    void storeMarksEmptyFirstAndUsedLast_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("dataAddress");
        QTest::addColumn<int>("nameAddress");
        QTest::addColumn<int>("markerAddress");
        QTest::newRow("05") << 0 << 0x0120 << 0x0F20 << 0x0030;
        QTest::newRow("20") << 15 << 0x0A80 << 0x0F98 << 0x003F;
    }
    void storeMarksEmptyFirstAndUsedLast()
    {
        QFETCH(int, position);
        QFETCH(int, dataAddress);
        QFETCH(int, nameAddress);
        QFETCH(int, markerAddress);
        StartWithDevice();
        FrmStore store(State(), rig_->program.Presets(), rig_->dialogs);
        QCOMPARE(store.windowTitle(), QStringLiteral("Store preset"));
        QCOMPARE(store.Combo1->count(), 16);
        QCOMPARE(store.Combo1->itemText(15), QStringLiteral("20"));
        QCOMPARE(store.Text1->text(), QStringLiteral("  Hall  "));
        QVERIFY(store.ProgressBar1->isHidden());
        store.Combo1->setCurrentIndex(position);
        store.Text1->setText(QStringLiteral("Gig"));
        rig_->dialogs.answers = {MessageAnswer::Yes};
        store.Command1_Click(1);
        QCOMPARE(rig_->dialogs.messages.front().text, QStringLiteral("               Are you sure ? "));
        QCOMPARE(rig_->dialogs.messages.front().title, QStringLiteral("Store Preset"));

        const QList<QByteArray> writes = rig_->Writes();
        QCOMPARE(writes.size(), 170);
        const auto frame = [](int address, int value) {
            QByteArray f = QByteArray::fromHex("F05B11000000000000F7");
            f[3] = char(address >> 8);
            f[4] = char(address & 0xFF);
            f[6] = char(value);
            return f;
        };
        QCOMPARE(writes[0], frame(markerAddress, 0x00));
        for (int m = 0; m < 160; ++m)
            QCOMPARE(writes[1 + m], frame(dataAddress + m, Values().PresetImage[static_cast<std::size_t>(m)]));
        const QByteArray name = "   Gig  ";
        for (int i = 0; i < 8; ++i)
            QCOMPARE(writes[161 + i], frame(nameAddress + i, name[i]));
        QCOMPARE(writes[169], frame(markerAddress, 0x55));

        const auto entry = static_cast<std::size_t>(position + 4);
        QVERIFY(State().PresetUsed[entry]);
        QCOMPARE(State().PresetNames[entry], QStringLiteral("Gig"));
        QCOMPARE(Editor().Label8->text(), QStringLiteral("%1: Gig").arg(position + 5));
        QCOMPARE(Editor().Label7->text(), QStringLiteral("Preset loaded from Device"));
        QVERIFY(store.ProgressBar1->isHidden());
        QCOMPARE(store.result(), int(QDialog::Accepted));
    }

    // In demo mode nothing is sent, and the bar runs through all the same.
    void storeInDemoModeSendsNothing()
    {
        StartInDemoMode();
        FrmStore store(State(), rig_->program.Presets(), rig_->dialogs);
        QList<int> shown;
        QObject::connect(store.ProgressBar1, &QProgressBar::valueChanged, [&](int v) { shown << v; });
        store.Memorize_eep();
        QCOMPARE(shown.size(), 169);
        QCOMPARE(shown[167], 168);
        QCOMPARE(shown.last(), 0);
        QVERIFY(store.ProgressBar1->isHidden());
        // Nothing sent, the directory follows all the same.
        QVERIFY(rig_->Writes().isEmpty());
        QVERIFY(State().PresetUsed[4]);
        QCOMPARE(State().PresetNames[4], QStringLiteral(" Empty  "));
    }

    // The bar moves from the event loop that runs while the next exchange
    // waits: it paints then, never between an answer and the next frame. It
    // ends short of its maximum, at 168 of 171.
    void storeProgressPaintsOnlyWhileTheDeviceIsAwaited()
    {
        StartWithDevice();
        rig_->port.SetLinePace(WireByteSeconds);
        FrmStore store(State(), rig_->program.Presets(), rig_->dialogs);
        store.show();
        QVERIFY(QTest::qWaitForWindowExposed(&store));
        PaintCount paints(store.ProgressBar1);
        rig_->port.SetWaitHook([&] {
            paints.waiting = true;
            QCoreApplication::processEvents();
            paints.waiting = false;
        });
        int highest = 0;
        QObject::connect(store.ProgressBar1, &QProgressBar::valueChanged, [&](int v) { highest = std::max(highest, v); });
        store.Memorize_eep();
        rig_->port.SetWaitHook({});
        QCOMPARE(rig_->Writes().size(), 170);
        QCOMPARE(highest, 168);
        QCOMPARE(store.ProgressBar1->maximum(), 171);
        QVERIFY(paints.inWaits > 0);
        QCOMPARE(paints.outsideWaits, 0);
        QVERIFY(store.ProgressBar1->isHidden());
    }


    // A name with a character the device cannot keep is refused, naming the
    // character; the name stays as typed, nothing is asked or sent.
    void storeRefusesCharactersTheDeviceCannotKeep_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // empty: stored
        QTest::newRow("Greek") << QStringLiteral("Sal\u03B1") << QStringLiteral("  Name \"Sal\u03B1\" holds \"\u03B1\" (U+03B1), "
                                                                    "which a preset name cannot: the device keeps "
                                                                    "Windows-1252 characters only.");
        QTest::newRow("beyond U+FFFF") << QStringLiteral("A\U0001F3B8") << QStringLiteral("  Name \"A\U0001F3B8\" holds "
                                                                          "\"\U0001F3B8\" (U+1F3B8), which a preset "
                                                                          "name cannot: the device keeps Windows-1252 "
                                                                          "characters only.");
        QTest::newRow("euro sign and a question mark, Windows-1252's") << QStringLiteral("\u20AC5 ?") << QString();
    }
    void storeRefusesCharactersTheDeviceCannotKeep()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        StartWithDevice();
        FrmStore store(State(), rig_->program.Presets(), rig_->dialogs);
        store.Text1->setText(name);
        rig_->dialogs.answers = {MessageAnswer::Yes};
        store.Command1_Click(1);
        if (message.isEmpty()) {
            QCOMPARE(rig_->dialogs.messages.front().text, QStringLiteral("               Are you sure ? "));
            QCOMPARE(rig_->Writes().size(), 170);
            QCOMPARE(State().PresetNames[4], name);
            return;
        }
        QCOMPARE(rig_->dialogs.Texts(), QStringList{message});
        QCOMPARE(rig_->dialogs.messages.front().title, QStringLiteral("Warning"));
        QCOMPARE(store.Text1->text(), name);
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(store.result(), 0);
    }

    void doubleClickTakesNameAndPosition()
    {
        StartWithDevice();
        FrmStore store(State(), rig_->program.Presets(), rig_->dialogs);
        store.List1->setCurrentRow(9);
        QCOMPARE(store.Text1->text(), QStringLiteral("  Hall  ")); // a single click changes neither
        store.List1_DblClick();
        QCOMPARE(store.Text1->text(), QStringLiteral("   Gym  "));
        QCOMPARE(store.Combo1->currentText(), QStringLiteral("14"));
        QCOMPARE(store.Text1->maxLength(), 8);
    }

    void storeAnsweredNoSendsNothing()
    {
        StartWithDevice();
        FrmStore store(State(), rig_->program.Presets(), rig_->dialogs);
        rig_->dialogs.answers = {MessageAnswer::No};
        store.Command1_Click(1);
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(store.result(), 0);
    }

    // A store cut short half-way leaves the slot marked empty, used or not
    // before: never a mix of new and old data that looks whole.
    void interruptedStoreLeavesTheSlotEmpty_data()
    {
        QTest::addColumn<int>("slot");
        QTest::newRow("empty slot") << 2;
        QTest::newRow("used slot") << 0;
    }
    void interruptedStoreLeavesTheSlotEmpty()
    {
        QFETCH(int, slot);
        StartWithDevice();
        QCOMPARE(State().PresetUsed[static_cast<std::size_t>(slot + FixedPresetCount)], slot == 0);
        int sent = 0;
        rig_->port.FailWritesWhere([&sent](const QByteArray &) { return ++sent > 80; });
        // The store fails, and the directory does not claim the entry.
        QVERIFY(!rig_->program.Presets().StorePreset(slot, QStringLiteral("Cut"), [] {}));
        QCOMPARE(rig_->dialogs.Texts().last(), QStringLiteral("Time out"));
        QVERIFY(!rig_->end.Ended());
        QVERIFY(State().DeviceLost);
        QVERIFY(!State().PresetUsed[static_cast<std::size_t>(slot + FixedPresetCount)]);
        QCOMPARE(int(rig_->device.MemoryByte(UsedMarkerAddress + slot)), 0x00);
        QCOMPARE(rig_->Writes().size(), 80);
    }

    void storeOutsideTheSlotsWritesNothing()
    {
        StartWithDevice();
        QVERIFY(!rig_->program.Presets().StorePreset(-1, QStringLiteral("x"), [] {}));
        QVERIFY(!rig_->program.Presets().StorePreset(16, QStringLiteral("x"), [] {}));
        QVERIFY(rig_->Writes().isEmpty());
    }

    void toolbarOpensTheReadWindow()
    {
        StartWithDevice();
        bool seen = false;
        QTimer::singleShot(0, [&seen] {
            auto *read = qobject_cast<FrmRead *>(QApplication::activeModalWidget());
            seen = read != nullptr;
            if (read)
                read->Command1_Click(0);
        });
        rig_->program.MainWindow().Command1[3]->click();
        QVERIFY(seen);
        QVERIFY(rig_->Writes().isEmpty());
    }

    void saveAndLoadRoundTripAll161Bytes()
    {
        StartWithDevice();
        const QString path = rig_->folder.filePath(QStringLiteral("MyShow.Fbk"));
        const QByteArray pattern = PatternImage();
        WriteFile(path, pattern);
        rig_->dialogs.openFileNames = {path};
        rig_->program.Files().LoadPresetFromPc();
        // All 36 frames: 24 notch filters, then per channel 4 settings and 2 modes.
        const QList<QByteArray> writes = rig_->Writes();
        QCOMPARE(writes.size(), 36);
        for (int i = 0; i < 24; ++i)
            QCOMPARE(int(writes[i][2]), 0x07);
        QCOMPARE(int(writes[24][2]), 0x0A);
        QCOMPARE(int(writes[28][2]), 0x31);
        QCOMPARE(int(writes[30][3]), 2);
        QCOMPARE(int(writes[35][2]), 0x31);
        QCOMPARE(Editor().Label7->text(), QStringLiteral("Preset loaded from PC"));
        QCOMPARE(Editor().Label8->text(), QStringLiteral("MyShow.Fbk"));
        QCOMPARE(Values().PresetImage[160], std::uint8_t{0xA5});

        const QByteArray loaded = ImageBytes(Values(), 0, 161);
        const QString saved = rig_->folder.filePath(QStringLiteral("again.Fbk"));
        rig_->dialogs.saveFileNames = {saved};
        rig_->program.Files().SavePresetToPc();
        QCOMPARE(ReadFile(saved), loaded);
        QVERIFY(rig_->dialogs.messages.isEmpty());
    }

    // A name typed without extension gets ".Fbk", so that the open dialog's
    // filter lists it; a name with any extension is written as typed.
    void savedNameGetsTheExtensionOnlyWithoutOne_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("no extension") << "soundcheck-main" << "soundcheck-main.Fbk";
        QTest::newRow(".Fbk") << "show.Fbk" << "show.Fbk";
        QTest::newRow(".fbk") << "show.fbk" << "show.fbk";
        QTest::newRow("another extension") << "show.bak" << "show.bak";
        QTest::newRow("a dot inside") << "live v1.2" << "live v1.2";
        QTest::newRow("a dot at the end") << "show." << "show.";
    }
    void savedNameGetsTheExtensionOnlyWithoutOne()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        StartWithDevice();
        const QDir folder(rig_->folder.filePath(QStringLiteral("Preset")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        rig_->dialogs.saveFileNames = {folder.filePath(typed)};
        rig_->program.Files().SavePresetToPc();
        QVERIFY(rig_->dialogs.messages.isEmpty());
        QCOMPARE(folder.entryList(QDir::Files), QStringList{written});
        QCOMPARE(ReadFile(folder.filePath(written)), ImageBytes(Values(), 0, 161));
        // The real dialog adds it itself as the name is typed.
        QCOMPARE(rig_->dialogs.fileDialogs.size(), 1);
        QCOMPARE(rig_->dialogs.fileDialogs.front().defaultSuffix, QStringLiteral("Fbk"));
    }

    void demoFlatPresetFile()
    {
        StartInDemoMode();
        const QString path = rig_->folder.filePath(QStringLiteral("flat.Fbk"));
        rig_->dialogs.saveFileNames = {path};
        rig_->program.Files().SavePresetToPc();
        QCOMPARE(ReadFile(path),
                 QByteArray(reinterpret_cast<const char *>(FlatPresetImage.data()), 160) + QByteArray(1, '\0'));
        // Loading in demo mode sends nothing.
        rig_->dialogs.openFileNames = {path};
        rig_->program.Files().LoadPresetFromPc();
        QVERIFY(rig_->Writes().isEmpty());
    }

    void refusedFilesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray() << " File not found. Try again.";
        QTest::newRow("short") << QByteArray(160, '\x01') << " Not a preset file: it holds 160 bytes, a preset file holds 161.";
    }
    void refusedFilesChangeNothing()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        StartWithDevice();
        const QString path = rig_->folder.filePath(QStringLiteral("bad.Fbk"));
        if (!contents.isEmpty())
            WriteFile(path, contents);
        const QByteArray image = ImageBytes(Values(), 0, 161);
        rig_->dialogs.openFileNames = {path};
        rig_->program.Files().LoadPresetFromPc();
        QCOMPARE(rig_->dialogs.Texts(), QStringList{message});
        QCOMPARE(rig_->dialogs.messages.front().title, QStringLiteral(" Error"));
        QCOMPARE(rig_->dialogs.messages.front().icon, MessageIcon::Exclamation);
        QCOMPARE(ImageBytes(Values(), 0, 161), image);
        QVERIFY(rig_->Writes().isEmpty());
    }

    void longerFileGivesItsFirst161Bytes()
    {
        StartInDemoMode();
        const QString path = rig_->folder.filePath(QStringLiteral("long.Fbk"));
        QByteArray flat(reinterpret_cast<const char *>(FlatPresetImage.data()), 160);
        WriteFile(path, flat + QByteArray(1, '\x07') + QByteArray(50, '\x99'));
        rig_->dialogs.openFileNames = {path};
        rig_->program.Files().LoadPresetFromPc();
        QCOMPARE(Values().PresetImage[160], std::uint8_t{7});
        QVERIFY(rig_->dialogs.messages.isEmpty());
    }

    // The check the command line makes before it sends a preset file: the
    // first field, in byte order, outside the range the device takes.
    // Most rows change a flat preset at a few offsets.
    void fieldsOutsideTheDevicesRanges_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("outside");
        QByteArray flat(reinterpret_cast<const char *>(FlatPresetImage.data()), PresetBytes);
        flat += '\0';
        const auto changed = [&flat](std::initializer_list<std::pair<int, int>> changes) {
            QByteArray image = flat;
            for (const auto &[offset, value] : changes)
                image[offset] = char(value);
            return image;
        };
        QTest::newRow("flat preset") << flat << QString();
        for (int n = 0; n < sim::FixedPresetCount; ++n) {
            const sim::Preset &fixed = sim::FixedPreset(n);
            QTest::addRow("fixed preset %d of the device", n + 1)
                << QByteArray(reinterpret_cast<const char *>(fixed.data()), PresetBytes) + '\0' << QString();
        }
        QByteArray carried = flat;
        for (int c = 0; c < 2; ++c) {
            for (int i = 0; i < 20; ++i)
                carried[80 * c + i] = char(0xFF);
            for (int i = 22; i < 28; ++i)
                carried[80 * c + i] = char(0xFF);
        }
        carried[160] = char(0xFF);
        QTest::newRow("bytes carried unchanged at 255") << carried << QString();
        QTest::newRow("highest of each") << changed({{20, 1}, {21, 1}, {28, 45}, {29, 2}, {30, 217}, {31, 3}, {76, 12}, {77, 3}, {78, 1}, {79, 15}}) << QString();
        QTest::newRow("161 x 0xFF") << QByteArray(PresetImageBytes, '\xFF') << "Left release mode 255 is outside 0..1";
        QTest::newRow("English text") << QByteArray("A preset file is 161 bytes of settings; this one holds a sentence instead, and it goes on until it is long enough to be taken for one, which it is not at all, not one bit. The end.").left(PresetImageBytes) << "Left release mode 32 is outside 0..1";
        QTest::newRow("Left release mode 2") << changed({{20, 2}}) << "Left release mode 2 is outside 0..1";
        QTest::newRow("Right search mode 2") << changed({{101, 2}}) << "Right search mode 2 is outside 0..1";
        QTest::newRow("Left notch 3 gain step 255") << changed({{36, 255}}) << "Left notch 3 gain step 255 is outside 0..45";
        QTest::newRow("Left notch 1 gain step 46") << changed({{28, 46}}) << "Left notch 1 gain step 46 is outside 0..45";
        QTest::newRow("Right notch 12 frequency index 730") << changed({{153, 2}, {154, 218}}) << "Right notch 12 frequency index 730 is outside 0..729";
        QTest::newRow("Left notch 2 frequency index 65535") << changed({{33, 255}, {34, 255}}) << "Left notch 2 frequency index 65535 is outside 0..729";
        QTest::newRow("Left notch 1 width index 4") << changed({{31, 4}}) << "Left notch 1 width index 4 is outside 0..3";
        QTest::newRow("Right automatic count 0") << changed({{156, 0}}) << "Right automatic notch count 0 is outside 1..12";
        QTest::newRow("Left automatic count 13") << changed({{76, 13}}) << "Left automatic notch count 13 is outside 1..12";
        QTest::newRow("Left automatic width 4") << changed({{77, 4}}) << "Left automatic notch width index 4 is outside 0..3";
        QTest::newRow("Right attenuation mode 2") << changed({{158, 2}}) << "Right attenuation mode 2 is outside 0..1";
        QTest::newRow("Left sensitivity step 16") << changed({{79, 16}}) << "Left sensitivity step 16 is outside 0..15";
        QTest::newRow("the first in byte order") << changed({{159, 16}, {108, 50}, {79, 16}}) << "Left sensitivity step 16 is outside 0..15";
    }
    void fieldsOutsideTheDevicesRanges()
    {
        QFETCH(QByteArray, image);
        QFETCH(QString, outside);
        QCOMPARE(image.size(), PresetImageBytes);
        PresetImageArray array{};
        std::copy(image.begin(), image.end(), array.begin());
        QCOMPARE(FirstFieldOutOfRange(array), outside);
    }

    void cancelledDialogsAreSilent()
    {
        StartWithDevice();
        rig_->program.Files().LoadPresetFromPc();
        rig_->program.Files().SavePresetToPc();
        QVERIFY(rig_->dialogs.messages.isEmpty());
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(rig_->dialogs.fileDialogs.size(), 2);
        QCOMPARE(rig_->dialogs.fileDialogs.front().filter, QStringLiteral("file preset (*.Fbk)"));
    }

    // A save that fails (a read-only folder, a full disk, the file size
    // limit hit half-way) keeps the old file and says so.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("read-only folder") << "read-only";
        QTest::newRow("full file system") << "full";
        QTest::newRow("file size limit") << "limit";
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, cause);
        StartWithDevice();
        SmallTmpfs tmpfs;
        if (cause == QLatin1String("full") && !tmpfs.IsMounted())
            QSKIP("mounting a small tmpfs needs root and mount rights; the file size limit row covers the same path");
        const QString folder =
            cause == QLatin1String("full") ? tmpfs.Path() : rig_->folder.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/show.Fbk");
        WriteFile(path, PatternImage());
        rig_->dialogs.saveFileNames = {path};
        if (cause == QLatin1String("read-only")) {
            if (!MakeReadOnly(folder))
                QSKIP("this machine cannot make a folder read-only");
            rig_->program.Files().SavePresetToPc();
            MakeWritable(folder);
        } else if (cause == QLatin1String("full")) {
            tmpfs.Fill();
            rig_->program.Files().SavePresetToPc();
        } else {
            FileSizeLimit limit(100);
            QVERIFY(limit.IsSet());
            rig_->program.Files().SavePresetToPc();
        }
        QCOMPARE(ReadFile(path), PatternImage());
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        QVERIFY(rig_->dialogs.messages.front().text.startsWith(QStringLiteral(" The preset could not be saved to show.Fbk")));
    }

    void bothDialogsOpenTheSameFolder_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("neither") << QStringList() << "Preset";
        QTest::newRow("lower only") << QStringList{"preset"} << "preset";
        QTest::newRow("upper only") << QStringList{"Preset"} << "Preset";
        QTest::newRow("both") << QStringList{"Preset", "preset"} << "Preset";
    }
    void bothDialogsOpenTheSameFolder()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, chosen);
        QTemporaryDir start;
        for (const QString &name : existing)
            QDir(start.path()).mkdir(name);
        QCOMPARE(PresetFolder(start.path()), QDir(start.path()).filePath(chosen));
    }

    void presetNamesAreCentred_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("padded");
        QTest::newRow("0") << "" << "        ";
        QTest::newRow("1") << "A" << "    A   ";
        QTest::newRow("2") << "AB" << "   AB   ";
        QTest::newRow("3") << "ABC" << "   ABC  ";
        QTest::newRow("4") << "ABCD" << "  ABCD  ";
        QTest::newRow("5") << "ABCDE" << "  ABCDE ";
        QTest::newRow("6") << "ABCDEF" << " ABCDEF ";
        QTest::newRow("7") << "ABCDEFG" << " ABCDEFG";
        QTest::newRow("8") << "ABCDEFGH" << "ABCDEFGH";
        QTest::newRow("9") << "ABCDEFGHI" << "ABCDEFGHI";
    }
    void presetNamesAreCentred()
    {
        QFETCH(QString, name);
        QFETCH(QString, padded);
        QCOMPARE(PadPresetName(name), padded);
        const auto bytes = NameBytes(name);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(bytes.data()), 8), padded.left(8).toLatin1());
    }

    void nameBytesAreWindows1252()
    {
        const auto bytes = NameBytes(QStringLiteral("\u20AC\u00E9\u4E2D\u0153"));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(bytes.data()), 8), QByteArray("  \x80\xE9?\x9C  "));
        // A name byte read from the device is written back as itself, the
        // five codes without a character (0x81, 0x8D, 0x8F, 0x90, 0x9D) too.
        for (int code = 0; code < 256; ++code)
            QCOMPARE(int(CharToAnsi(AnsiToChar(static_cast<std::uint8_t>(code)))), code);
    }
};

QTEST_MAIN(PresetsTest)
#include "tst_presets.moc"
