#pragma once
// What a restore would write, for the user to choose from: one row per user
// entry with its name in the backup, its name now in the device and whether
// the backup holds a preset there, each with a tick (all ticked at first),
// and whether to back up the device first (on at first); two buttons tick
// all entries or none.

#include "operations/DeviceLibrary.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QTreeWidget;

namespace ksr {

class RestoreDialog final : public QDialog {
    Q_OBJECT
public:
    enum Column { EntryColumn, BackupNameColumn, DeviceNameColumn, BackupUseColumn };

    // `safetyFolder` is where the backup before the restore goes.
    RestoreDialog(const RestorePlan &plan, const AppState &state, const QString &safetyFolder,
                  QWidget *parent = nullptr);

    // The ticked entries (05..20), in order.
    std::vector<int> TickedEntries() const;
    // Whether the device is backed up before the restore.
    bool SafetyBackup() const;

    QTreeWidget *Entries = nullptr;
    QCheckBox *SafetyCheck = nullptr;
};

} // namespace ksr
