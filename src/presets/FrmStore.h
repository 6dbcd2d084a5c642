#pragma once
// The modal "Store preset" window: the editor's preset goes into one of the
// sixteen user slots of the device under a name, with a progress bar.

#include <QDialog>

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace ksr {

struct AppState;
class DevicePresets;
class UserDialogs;

class FrmStore : public QDialog {
    Q_OBJECT
public:
    FrmStore(AppState &state, DevicePresets &presets, UserDialogs &dialogs, QWidget *parent = nullptr);

    // 0 closes the window, 1 stores after a question.
    void Command1_Click(int index);
    // Puts the selected row's name into Text1 and its position into Combo1.
    void List1_DblClick();
    // Stores the preset at Combo1's position under Text1's name.
    void Memorize_eep();

    QListWidget *List1 = nullptr;
    QLabel *Label1 = nullptr; // "05" .. "20" beside the list
    QLabel *Label3 = nullptr; // "Memory Preset"
    QComboBox *Combo1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    std::array<QPushButton *, 2> Command1{};

private:
    // One byte stored: the bar shows it from the event loop.
    void StepProgress();

    AppState &state_;
    DevicePresets &presets_;
    UserDialogs &dialogs_;
    bool storing_ = false;
    bool progressPosted_ = false;
    int storedBytes_ = 0;
};

} // namespace ksr
