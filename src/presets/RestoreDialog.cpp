#include "presets/RestoreDialog.h"

#include "core/AnsiText.h"
#include "core/PresetNames.h"
#include "core/State.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace ksr {

RestoreDialog::RestoreDialog(const RestorePlan &plan, const AppState &state, const QString &safetyFolder,
                             QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(QStringLiteral("Restore device"));
    auto *layout = new QVBoxLayout(this);
    auto *from = new QLabel(QStringLiteral("Entries to write from %1:").arg(plan.folder), this);
    from->setTextFormat(Qt::PlainText);
    from->setWordWrap(true);
    layout->addWidget(from);

    Entries = new QTreeWidget(this);
    Entries->setObjectName(QStringLiteral("Entries"));
    Entries->setRootIsDecorated(false);
    Entries->setHeaderLabels({QStringLiteral("Entry"), QStringLiteral("Name in the backup"),
                              QStringLiteral("Name now in the device"), QStringLiteral("In the backup")});
    for (int entry = FirstUserEntry; entry <= LastUserEntry; ++entry) {
        const BackupEntry &line = plan.directory[static_cast<std::size_t>(entry - FirstUserEntry)];
        const auto e = static_cast<std::size_t>(entry - 1);
        auto *row = new QTreeWidgetItem(Entries);
        row->setText(EntryColumn, EntryText(entry));
        row->setData(EntryColumn, Qt::UserRole, entry);
        row->setCheckState(EntryColumn, Qt::Checked);
        // Names without the spaces that centre them on the device's display.
        row->setText(BackupNameColumn, line.used ? UnpaddedPresetName(AnsiToString(line.name)) : QString());
        row->setText(DeviceNameColumn, state.PresetUsed[e] ? UnpaddedPresetName(state.PresetNames[e]) : QString());
        row->setText(BackupUseColumn, line.used ? QStringLiteral("used") : QStringLiteral("empty"));
    }
    Entries->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Entries->setMinimumHeight(Entries->sizeHintForRow(0) * (BackupEntries + 2));
    layout->addWidget(Entries);
    auto *ticks = new QHBoxLayout;
    for (const bool tick : {true, false}) {
        auto *button = new QPushButton(tick ? QStringLiteral("Tick &all") : QStringLiteral("Tick &none"), this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, tick] {
            for (int i = 0; i < Entries->topLevelItemCount(); ++i)
                Entries->topLevelItem(i)->setCheckState(EntryColumn, tick ? Qt::Checked : Qt::Unchecked);
        });
        ticks->addWidget(button);
    }
    ticks->addStretch(1);
    layout->addLayout(ticks);

    auto *note = new QLabel(QStringLiteral("A ticked entry that is empty in the backup is marked empty in the device."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    // An ampersand in the folder's path is shown, not taken for a shortcut.
    const QString shownFolder = QString(safetyFolder).replace(QLatin1Char('&'), QStringLiteral("&&"));
    SafetyCheck = new QCheckBox(QStringLiteral("&Back up the device first, into %1").arg(shownFolder), this);
    SafetyCheck->setObjectName(QStringLiteral("SafetyCheck"));
    SafetyCheck->setChecked(true);
    layout->addWidget(SafetyCheck);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Restore..."));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::vector<int> RestoreDialog::TickedEntries() const
{
    std::vector<int> ticked;
    for (int i = 0; i < Entries->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = Entries->topLevelItem(i);
        if (row->checkState(EntryColumn) == Qt::Checked)
            ticked.push_back(row->data(EntryColumn, Qt::UserRole).toInt());
    }
    return ticked;
}

bool RestoreDialog::SafetyBackup() const
{
    return SafetyCheck->isChecked();
}

} // namespace ksr
