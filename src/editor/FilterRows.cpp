// The manual notch filter rows of one channel: frequency, gain and width,
// each a text box with its scroll bar.

#include "editor/EditorLayout.h"
#include "editor/EditorParts.h"
#include "editor/FrmEq.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace ksr {

namespace {

using layout::ArrayName;
using layout::PlaceTwips;

constexpr int RowTop = 240;
constexpr int RowPitch = 240;
constexpr int TextHeight = 240;
constexpr int ScrollHeight = 255;
constexpr int ScrollWidth = 375;

QLineEdit *AddRowText(QWidget *frame, const char *name, int f, const QString &text, int left, int top,
                      int width)
{
    auto *box = new QLineEdit(text, frame);
    box->setObjectName(ArrayName(name, f));
    box->setAlignment(Qt::AlignCenter);
    box->setTextMargins(0, 0, 0, 0);
    PlaceTwips(box, left, top, width, TextHeight);
    return box;
}

QScrollBar *AddRowScroll(QWidget *frame, const char *name, int f, int maximum, int left, int top)
{
    auto *bar = new QScrollBar(Qt::Horizontal, frame);
    bar->setObjectName(ArrayName(name, f));
    bar->setRange(0, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    PlaceTwips(bar, left, top, ScrollWidth, ScrollHeight);
    return bar;
}

} // namespace

void BuildFilterRows(FrmEq &editor, int channel)
{
    QGroupBox *frame = editor.ManualFrame[static_cast<std::size_t>(channel)];
    for (int row = 0; row < FiltersPerChannel; ++row) {
        const int f = FiltersPerChannel * channel + row;
        const auto i = static_cast<std::size_t>(f);
        const int top = RowTop + RowPitch * row;
        editor.Text2[i] = AddRowText(frame, "Text2", f, QStringLiteral("20000"), 120, top, 615);
        editor.HScroll6[i] = AddRowScroll(frame, "HScroll6", f, FrequencyCount - 1, 720, top);
        editor.Text1[i] = AddRowText(frame, "Text1", f, QStringLiteral("-45"), 1200, top, 495);
        editor.HScroll20[i] = AddRowScroll(frame, "HScroll20", f, 45, 1680, top);
        editor.Text3[i] = AddRowText(frame, "Text3", f, QStringLiteral("1/70"), 2160, top, 495);
        editor.Text3[i]->setReadOnly(true);
        editor.HScroll30[i] = AddRowScroll(frame, "HScroll30", f, 3, 2640, top);
    }

    // Column captions under the twelfth row.
    const int captionTop = RowTop + RowPitch * FiltersPerChannel;
    const std::array<const char *, 3> captions = {"Freq", "Gain", "Q"};
    const std::array<int, 3> lefts = {120, 1080, 2040};
    for (std::size_t k = 0; k < captions.size(); ++k) {
        const int index = 3 * channel + static_cast<int>(k);
        editor.Label170[static_cast<std::size_t>(index)] =
            layout::AddLabel(frame, ArrayName("Label170", index), QString::fromLatin1(captions[k]),
                             QRect(lefts[k], captionTop, 615, 195));
    }
}

} // namespace ksr
