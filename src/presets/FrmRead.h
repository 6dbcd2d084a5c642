#pragma once
// The modal "Read Preset" window: the device's twenty presets, one of which
// is loaded into the editor after a question.

#include <QDialog>

#include <array>

class QLabel;
class QListWidget;
class QPushButton;

namespace ksr {

struct AppState;
class DevicePresets;
class UserDialogs;

class FrmRead : public QDialog {
    Q_OBJECT
public:
    FrmRead(AppState &state, DevicePresets &presets, UserDialogs &dialogs, QWidget *parent = nullptr);

    // 0 closes the window, 1 reads the selected preset.
    void Command1_Click(int index);
    void List1_DblClick();

    QListWidget *List1 = nullptr;
    QLabel *Label1 = nullptr; // "01" .. "20" beside the list
    QLabel *Label3 = nullptr; // "Memory Preset"
    std::array<QPushButton *, 2> Command1{};

private:
    // The question, then the read, for the selected entry.
    void ReadSelected();

    AppState &state_;
    DevicePresets &presets_;
    UserDialogs &dialogs_;
};

} // namespace ksr
