#pragma once
// The "Parameters Control" window: both channels' response graphs, their
// twelve notch filter rows, the automatic-search settings and the reset
// buttons, with the link and feedback-search boxes in a band at the top.
// This class is the window's layout and its control arrays; the editing
// behaviour connects to the public controls from outside.

#include "core/EditorControls.h"
#include "core/LookColours.h"
#include "core/Tables.h"

#include <QWidget>

#include <array>
#include <vector>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QSlider;

namespace ksr {

class GraphPicture;
class ResponseGraph;

class FrmEq : public QWidget, public EditorControls {
    Q_OBJECT
public:
    // The client area, in twips.
    static constexpr int ClientWidthTwips = 15735;
    static constexpr int ClientHeightTwips = 8445;

    explicit FrmEq(ResponseGraph &graph, QWidget *parent = nullptr);

    // The client area in pixels; the window holding the editor sizes to it.
    QSize sizeHint() const override;

    // The editor's own colours (rows under automatic control, locked
    // controls): the light look's until set; setting them recolours at once.
    void SetColours(const LookColours &colours);
    const LookColours &Colours() const { return colours_; }

    // Notch filter rows, by filter index f (Left 0..11, Right 12..23).
    std::array<QLineEdit *, FilterCount> Text1{};  // gain in dB
    std::array<QLineEdit *, FilterCount> Text2{};  // frequency in Hz
    std::array<QLineEdit *, FilterCount> Text3{};  // width, display only
    std::array<QScrollBar *, FilterCount> HScroll6{};  // frequency index 0..729
    std::array<QScrollBar *, FilterCount> HScroll20{}; // gain position 0..45
    std::array<QScrollBar *, FilterCount> HScroll30{}; // width index 0..3
    // Column captions under the rows: 3 per channel, "Freq", "Gain", "Q".
    std::array<QLabel *, 6> Label170{};

    // Automatic-search settings, by channel c (0 Left, 1 Right).
    std::array<QScrollBar *, 2> HScroll1{}; // automatic count - 1, 0..11
    std::array<QScrollBar *, 2> HScroll2{}; // automatic width, 0..3
    std::array<QScrollBar *, 2> HScroll3{}; // attenuation mode, 0..1
    std::array<QScrollBar *, 2> HScroll4{}; // release mode, 0..1
    std::array<QScrollBar *, 2> HScroll5{}; // search mode, 0..1
    std::array<QSlider *, 2> Slider1{};     // sensitivity step, 0..15
    std::array<QLineEdit *, 2> Text4{};     // sensitivity 1..16
    std::array<QLabel *, 2> Label3{};       // shows the automatic count
    std::array<QLabel *, 2> Label5{};       // shows the automatic width
    std::array<QLabel *, 2> Label6{};       // shows the attenuation mode
    std::array<QLabel *, 2> Label1{};       // shows the release mode
    std::array<QLabel *, 2> Label9{};       // shows the search mode
    // Setting captions, 6 per channel: index 6 c + row.
    std::array<QLabel *, 12> Label2{};

    // Graphs: the picture of each channel and its scale labels, 8 per
    // channel: index 8 c + k, k 0..6 the levels +10..-50, k 7 the frequencies.
    std::array<GraphPicture *, 2> Picture1{};
    std::array<QLabel *, 16> Label4{};

    // Reset buttons: 0, 1 automatic notches Left, Right; 2, 3 manual ones.
    std::array<QPushButton *, 4> Command1{};
    // "Keep found notches" of each channel, above its automatic settings.
    std::array<QPushButton *, 2> KeepFound{};

    // Window-wide boxes and labels in the top band.
    std::array<QCheckBox *, 3> Check1{}; // feedback search L&R, L, R
    QCheckBox *Check2 = nullptr;         // link the channels
    QLabel *Label7 = nullptr;            // where the preset came from
    QLabel *Label8 = nullptr;            // the preset's name
    // The legend of the rows under automatic control: their shade and what it means.
    QFrame *LegendSwatch = nullptr;
    QLabel *Legend = nullptr;

    // Frames, by channel.
    QWidget *TopBand = nullptr;
    std::array<QGroupBox *, 2> ChannelFrame{};
    std::array<QGroupBox *, 2> GraphFrame{};
    std::array<QGroupBox *, 2> ManualFrame{};
    std::array<QGroupBox *, 2> AutoFrame{};
    std::array<QGroupBox *, 2> ResetFrame{};

    // The six controls of filter f's row; null ones for an f out of range.
    std::array<QWidget *, 6> RowControls(int f) const;

    // EditorControls
    int HScroll20Value(int f) const override;
    void SetHScroll20Value(int f, int value) override;
    int HScroll30Value(int f) const override;
    void SetHScroll30Value(int f, int value) override;
    int HScroll6Value(int f) const override;
    void SetHScroll6Value(int f, int value) override;
    QString Text1Text(int f) const override;
    void SetText1Text(int f, const QString &text) override;
    QString Text2Text(int f) const override;
    void SetText2Text(int f, const QString &text) override;
    QString Text3Text(int f) const override;
    void SetText3Text(int f, const QString &text) override;
    void SetRowEnabled(int f, bool enabled) override;
    int SettingValue(SettingControl control, int c) const override;
    void SetSettingValue(SettingControl control, int c, int value) override;
    QString SettingText(SettingControl control, int c) const override;
    void SetSettingText(SettingControl control, int c, const QString &text) override;
    bool Check2Value() const override;
    void SetCheck2Value(bool checked) override;
    void SetEditorBusy(bool busy) override;
    QString Label7Caption() const override;
    void SetLabel7Caption(const QString &text) override;
    QString Label8Caption() const override;
    void SetLabel8Caption(const QString &text) override;

protected:
    // The editor stays open for as long as the program runs.
    void closeEvent(QCloseEvent *event) override;

private:
    LookColours colours_ = LightColours;

    template <typename Control>
    void SetTextIfChanged(Control *control, const QString &text);

    void BuildTopBand();
    void BuildChannelFrame(ResponseGraph &graph, int channel);
    void BuildResetFrame(int channel);
    void BuildKeepButton(int channel);
};

} // namespace ksr
