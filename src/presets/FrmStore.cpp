#include "presets/FrmStore.h"

#include "core/UserDialogs.h"
#include "core/State.h"
#include "operations/DeviceLibrary.h"
#include "operations/DevicePresets.h"
#include "core/PresetNames.h"
#include "operations/PresetMemory.h"
#include "presets/PresetWindowParts.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace ksr {

namespace {

// The bar ends short of its maximum, at 168 of 171.
constexpr int ProgressMaximum = 171;
// In demo mode nothing goes to the device: each byte takes this long, so
// that the bar runs through in about a second.
constexpr int DemoByteMilliseconds = 5;

} // namespace

FrmStore::FrmStore(AppState &state, DevicePresets &presets, UserDialogs &dialogs, QWidget *parent)
    : QDialog(parent), state_(state), presets_(presets), dialogs_(dialogs)
{
    QVBoxLayout *layout = BeginPresetWindow(this, QStringLiteral("FrmStore"), QStringLiteral("Store preset"), &Label3);

    QStringList names;
    for (int e = FixedPresetCount; e < DirectoryEntries; ++e)
        names << state.PresetNames[static_cast<std::size_t>(e)];
    List1 = AddNumberedList(this, layout, names, FixedPresetCount + 1, &Label1);
    layout->addWidget(new QLabel(QStringLiteral("Double click to select a preset"), this));

    auto *position = new QHBoxLayout;
    position->addWidget(new QLabel(QStringLiteral("Select position"), this));
    // A selection-only list: a store always has a valid target.
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(false);
    for (int e = FixedPresetCount; e < DirectoryEntries; ++e)
        Combo1->addItem(QStringLiteral("%1").arg(e + 1, 2, 10, QLatin1Char('0')));
    position->addWidget(Combo1);
    layout->addLayout(position);

    auto *name = new QHBoxLayout;
    name->addWidget(new QLabel(QStringLiteral("Edit Name"), this));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMaxLength(NameLength);
    name->addWidget(Text1);
    layout->addLayout(name);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    layout->addWidget(ProgressBar1);

    AddCommandButtons(this, layout, QStringLiteral("Store"), Command1);

    connect(Command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });

    // Form load: bar hidden at 0, row 0 selected, its name and position taken.
    ProgressBar1->hide();
    ProgressBar1->setValue(0);
    List1->setCurrentRow(0);
    List1_DblClick();
}

void FrmStore::List1_DblClick()
{
    const int row = List1->currentRow();
    if (row < 0)
        return;
    Text1->setText(List1->item(row)->text());
    Combo1->setCurrentIndex(row);
}

void FrmStore::Command1_Click(int index)
{
    if (index == 0) {
        reject();
        return;
    }
    if (index != 1)
        return;
    // A character the device cannot keep would be stored as "?": refused,
    // with the name left as typed.
    if (QString refusal = PresetNameRefusal(Text1->text()); !refusal.isEmpty()) {
        refusal[0] = refusal[0].toUpper();
        dialogs_.ShowMessage({QStringLiteral("  %1.").arg(refusal), QStringLiteral("Warning")});
        Text1->setFocus();
        return;
    }
    if (dialogs_.ShowMessage({QStringLiteral("               Are you sure ? "), QStringLiteral("Store Preset"),
                              MessageIcon::None, MessageButtons::YesNo, MessageAnswer::Yes})
        != MessageAnswer::Yes)
        return;
    setCursor(Qt::BusyCursor);
    Memorize_eep();
    unsetCursor();
    accept();
}

void FrmStore::Memorize_eep()
{
    ProgressBar1->show();
    ProgressBar1->setMaximum(ProgressMaximum);
    ProgressBar1->setValue(0);
    storing_ = true;
    storedBytes_ = 0;
    const bool stored = presets_.StorePreset(Combo1->currentIndex(), Text1->text(), [this] { StepProgress(); });
    storing_ = false;
    // Hidden first: a bar set back while it shows paints at once.
    ProgressBar1->hide();
    ProgressBar1->setValue(0);
    // The device went during the store: the entry stays marked empty.
    if (!stored && state_.DeviceLost)
        dialogs_.ShowMessage({QStringLiteral("The device was lost while entry %1 was stored: the device keeps entry "
                                             "%1 marked empty. Store it again once the device is back.")
                                  .arg(EntryText(Combo1->currentIndex() + FirstUserEntry)),
                              QStringLiteral("Store Preset"), MessageIcon::Exclamation});
}

void FrmStore::StepProgress()
{
    ++storedBytes_;
    if (state_.DemoMode) {
        // No device wait runs the event loop: the bar is set and painted
        // here, the window taking no input meanwhile.
        ProgressBar1->setValue(storedBytes_);
        QEventLoop pause;
        QTimer::singleShot(DemoByteMilliseconds, &pause, &QEventLoop::quit);
        pause.exec(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    // QProgressBar::setValue paints at once when the bar grows, which would
    // hold back the next frame: the bar is set from the event loop instead,
    // which runs while that frame's answer is awaited.
    if (progressPosted_)
        return;
    progressPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            progressPosted_ = false;
            if (storing_)
                ProgressBar1->setValue(storedBytes_);
        },
        Qt::QueuedConnection);
}

} // namespace ksr
