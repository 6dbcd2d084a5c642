#include "presets/FrmRead.h"

#include "core/UserDialogs.h"
#include "core/State.h"
#include "operations/DevicePresets.h"
#include "presets/PresetWindowParts.h"

#include <QBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace ksr {

FrmRead::FrmRead(AppState &state, DevicePresets &presets, UserDialogs &dialogs, QWidget *parent)
    : QDialog(parent), state_(state), presets_(presets), dialogs_(dialogs)
{
    QVBoxLayout *layout = BeginPresetWindow(this, QStringLiteral("FrmRead"), QStringLiteral("Read Preset"), &Label3);

    QStringList names;
    for (const QString &name : state.PresetNames)
        names << name;
    List1 = AddNumberedList(this, layout, names, 1, &Label1);
    List1->setCurrentRow(0);
    layout->addWidget(new QLabel(QStringLiteral("Double click to load a preset"), this));

    AddCommandButtons(this, layout, QStringLiteral("Read"), Command1);

    connect(Command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });
}

void FrmRead::Command1_Click(int index)
{
    if (index == 0)
        reject();
    else if (index == 1)
        ReadSelected();
}

void FrmRead::List1_DblClick()
{
    ReadSelected();
}

void FrmRead::ReadSelected()
{
    const int e = List1->currentRow();
    if (e < 0 || e >= DirectoryEntries)
        return;
    const QString title = QStringLiteral("Read Preset");
    if (!state_.PresetUsed[static_cast<std::size_t>(e)]) {
        dialogs_.ShowMessage({QStringLiteral("Preset empty"), title, MessageIcon::Critical});
        return;
    }
    const QString question =
        QStringLiteral("Overwrite current editing with the preset %1, are you sure ? ").arg(e + 1);
    if (dialogs_.ShowMessage({question, title, MessageIcon::None, MessageButtons::YesNo, MessageAnswer::Yes})
        != MessageAnswer::Yes)
        return;
    setWindowTitle(QStringLiteral("Reading Preset......"));
    setCursor(Qt::BusyCursor);
    presets_.ReadDevicePreset(e);
    unsetCursor();
    accept();
}

} // namespace ksr
