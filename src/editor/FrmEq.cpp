// The editor window's frames, top band and reset buttons; the frames'
// contents come from the builders in EditorParts.h.

#include "editor/FrmEq.h"

#include "editor/EditorLayout.h"
#include "editor/EditorParts.h"
#include "editor/EditorToolTips.h"
#include "editor/WrappingButtons.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace ksr {

using layout::AddFrame;
using layout::ArrayName;
using layout::PlaceTwips;

FrmEq::FrmEq(ResponseGraph &graph, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmEq"));
    setWindowTitle(QStringLiteral("Parameters Control"));
    setFont(layout::ControlFont());
    resize(sizeHint());

    BuildTopBand();
    for (int channel = 0; channel < 2; ++channel)
        BuildChannelFrame(graph, channel);
    SetEditorToolTips(*this);
    ColourEditor(*this, colours_);
}

void FrmEq::SetColours(const LookColours &colours)
{
    colours_ = colours;
    ColourEditor(*this, colours);
}

void FrmEq::BuildTopBand()
{
    TopBand = new QWidget(this);
    TopBand->setObjectName(QStringLiteral("TopBand"));
    PlaceTwips(TopBand, 0, 0, ClientWidthTwips, 855);

    Label7 = layout::AddLabel(TopBand, QStringLiteral("Label7"), QStringLiteral("Preset loaded from Device"),
                              QRect(120, 240, 3255, 240));
    Label8 = layout::AddLabel(TopBand, QStringLiteral("Label8"), QStringLiteral("program"),
                              QRect(120, 480, 2775, 300));
    Label7->setFont(layout::PresetLabelFont());
    Label8->setFont(layout::PresetLabelFont());

    // Between the preset's name and the link box: what the shaded rows are.
    LegendSwatch = new QFrame(TopBand);
    LegendSwatch->setObjectName(QStringLiteral("LegendSwatch"));
    LegendSwatch->setFrameShape(QFrame::Box);
    LegendSwatch->setAutoFillBackground(true);
    PlaceTwips(LegendSwatch, 5640, 540, 375, 210);
    Legend = layout::AddLabel(TopBand, QStringLiteral("Legend"), QStringLiteral("shaded: placed by the device's search"),
                              QRect(6105, 540, 2580, 210));

    constexpr int BoxTop = 240;
    constexpr int BoxHeight = 495;
    Check2 = new WrappingCheckBox(QStringLiteral("Link channel Left && Right"), TopBand);
    Check2->setObjectName(QStringLiteral("Check2"));
    PlaceTwips(Check2, 8760, BoxTop, 1440, BoxHeight);

    const std::array<const char *, 3> captions = {"Search Feedback L&&R", "Search Feedback L", "Search Feedback R"};
    const std::array<int, 4> lefts = {10200, 12120, 13920, ClientWidthTwips};
    for (std::size_t k = 0; k < Check1.size(); ++k) {
        Check1[k] = new WrappingCheckBox(QString::fromLatin1(captions[k]), TopBand);
        Check1[k]->setObjectName(ArrayName("Check1", static_cast<int>(k)));
        PlaceTwips(Check1[k], lefts[k], BoxTop, lefts[k + 1] - lefts[k], BoxHeight);
    }
}

void FrmEq::BuildChannelFrame(ResponseGraph &graph, int channel)
{
    const auto c = static_cast<std::size_t>(channel);
    const std::array<const char *, 2> captions = {"Channel Left", "Channel Right"};
    const std::array<int, 2> tops = {840, 4680};
    QGroupBox *frame = AddFrame(this, ArrayName("ChannelFrame", channel), QString::fromLatin1(captions[c]),
                                QRect(0, tops[c], ClientWidthTwips, 3735));
    ChannelFrame[c] = frame;

    GraphFrame[c] = AddFrame(frame, ArrayName("GraphFrame", channel), QString(), QRect(120, 240, 9015, 3375));
    ManualFrame[c] = AddFrame(frame, ArrayName("ManualFrame", channel), QString(), QRect(9240, 240, 3135, 3375));
    AutoFrame[c] = AddFrame(frame, ArrayName("AutoFrame", channel), QString(), QRect(12480, 240, 3135, 2535));
    ResetFrame[c] = AddFrame(frame, ArrayName("ResetFrame", channel), QString(), QRect(12480, 2760, 3135, 855));

    BuildGraphFrame(*this, graph, channel);
    BuildFilterRows(*this, channel);
    BuildAutoSettings(*this, channel);
    BuildResetFrame(channel);
    BuildKeepButton(channel);
}

void FrmEq::BuildResetFrame(int channel)
{
    const auto automatic = static_cast<std::size_t>(channel);
    const auto manual = static_cast<std::size_t>(2 + channel);
    QGroupBox *frame = ResetFrame[automatic];

    Command1[manual] = new WrappingPushButton(QStringLiteral("Reset Notch Manual"), frame);
    Command1[manual]->setObjectName(ArrayName("Command1", 2 + channel));
    PlaceTwips(Command1[manual], 120, 240, 1335, 495);

    Command1[automatic] = new WrappingPushButton(QStringLiteral("Reset Notch Automatic"), frame);
    Command1[automatic]->setObjectName(ArrayName("Command1", channel));
    PlaceTwips(Command1[automatic], 1680, 240, 1335, 495);
}

void FrmEq::BuildKeepButton(int channel)
{
    const auto c = static_cast<std::size_t>(channel);
    KeepFound[c] = new QPushButton(QStringLiteral("Keep found notches"), ChannelFrame[c]);
    KeepFound[c]->setObjectName(ArrayName("KeepFound", channel));
    KeepFound[c]->setAccessibleName(channel == 0 ? QStringLiteral("Keep found notches Left")
                                                 : QStringLiteral("Keep found notches Right"));
    // In the caption strip of the channel, right-aligned over its automatic
    // settings, the frame's empty top margin below it.
    PlaceTwips(KeepFound[c], 13395, 0, 2220, 435);
    KeepFound[c]->raise();
}

QSize FrmEq::sizeHint() const
{
    return {layout::Px(ClientWidthTwips), layout::Px(ClientHeightTwips)};
}

void FrmEq::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

} // namespace ksr
