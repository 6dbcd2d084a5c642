// The automatic-search settings of one channel: five scroll bars and the
// sensitivity slider, each with its caption and the label (or, for the
// sensitivity, the box) showing its value.

#include "editor/EditorLayout.h"
#include "editor/EditorParts.h"
#include "editor/FrmEq.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

namespace ksr {

namespace {

using layout::AddLabel;
using layout::ArrayName;
using layout::PlaceTwips;

constexpr std::array<int, 6> RowTops = {240, 600, 960, 1320, 1680, 2040};
constexpr int LabelHeight = 195;
constexpr int ValueLeft = 2400;
constexpr int ValueWidth = 615;

QScrollBar *AddSettingScroll(QWidget *frame, const char *name, int channel, int maximum, int top)
{
    auto *bar = new QScrollBar(Qt::Horizontal, frame);
    bar->setObjectName(ArrayName(name, channel));
    bar->setRange(0, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    PlaceTwips(bar, 1680, top, 495, 200);
    return bar;
}

QLabel *AddValueLabel(QWidget *frame, const char *name, int channel, const char *text, int top)
{
    return AddLabel(frame, ArrayName(name, channel), QString::fromLatin1(text),
                    QRect(ValueLeft, top, ValueWidth, LabelHeight));
}

} // namespace

void BuildAutoSettings(FrmEq &editor, int channel)
{
    const auto c = static_cast<std::size_t>(channel);
    QGroupBox *frame = editor.AutoFrame[c];

    const std::array<const char *, 6> captions = {"Num notch automatic", "Q notch automatic", "Attenuation notch",
                                                   "Release notch",       "Mode search",       "Sensitivity "};
    for (std::size_t row = 0; row < captions.size(); ++row) {
        const int index = 6 * channel + static_cast<int>(row);
        // The sensitivity caption stops where its slider begins.
        const int width = row + 1 == captions.size() ? 840 : 1560;
        editor.Label2[static_cast<std::size_t>(index)] = AddLabel(
            frame, ArrayName("Label2", index), QString::fromLatin1(captions[row]),
            QRect(120, RowTops[row], width, LabelHeight));
    }

    editor.HScroll1[c] = AddSettingScroll(frame, "HScroll1", channel, 11, RowTops[0]);
    editor.Label3[c] = AddValueLabel(frame, "Label3", channel, "11", RowTops[0]);

    editor.HScroll2[c] = AddSettingScroll(frame, "HScroll2", channel, 3, RowTops[1]);
    editor.Label5[c] = AddValueLabel(frame, "Label5", channel, "1/70", RowTops[1]);

    editor.HScroll3[c] = AddSettingScroll(frame, "HScroll3", channel, 1, RowTops[2]);
    editor.Label6[c] = AddLabel(frame, ArrayName("Label6", channel), QStringLiteral("Variable"),
                                QRect(2280, RowTops[2], 735, LabelHeight));

    editor.HScroll4[c] = AddSettingScroll(frame, "HScroll4", channel, 1, RowTops[3]);
    editor.Label1[c] = AddValueLabel(frame, "Label1", channel, "Slow", RowTops[3]);

    editor.HScroll5[c] = AddSettingScroll(frame, "HScroll5", channel, 1, RowTops[4]);
    editor.Label9[c] = AddValueLabel(frame, "Label9", channel, "Sharp", RowTops[4]);

    auto *slider = new QSlider(Qt::Horizontal, frame);
    slider->setObjectName(ArrayName("Slider1", channel));
    slider->setRange(0, 15);
    slider->setSingleStep(1);
    slider->setPageStep(5);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    PlaceTwips(slider, 960, RowTops[5], 1455, 375);
    editor.Slider1[c] = slider;

    auto *box = new QLineEdit(QStringLiteral("Text4"), frame);
    box->setObjectName(ArrayName("Text4", channel));
    box->setAlignment(Qt::AlignCenter);
    box->setTextMargins(0, 0, 0, 0);
    PlaceTwips(box, ValueLeft, RowTops[5], 615, 285);
    editor.Text4[c] = box;
}

} // namespace ksr
