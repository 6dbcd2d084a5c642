#include "editor/EditorToolTips.h"

#include "core/Tables.h"
#include "editor/FrmEq.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

namespace ksr {

namespace {

// The tool tip a control has of its own; the notes below are added to it.
const char *const OwnTip = "ksrOwnToolTip";
const char *const AutomaticNote = "ksrAutomatic";
// Why the row is automatic: what the channel's automatic count gives the search.
const char *const AutomaticWhy = "ksrAutomaticWhy";
const char *const LockedNote = "ksrLocked";

void ComposeTip(QWidget *control)
{
    QString tip = control->property(OwnTip).toString();
    if (control->property(AutomaticNote).toBool()) {
        const QString why = control->property(AutomaticWhy).toString();
        tip += QLatin1Char('\n') + (why.isEmpty() ? QStringLiteral("Placed by the device's search.") : why);
    }
    if (control->property(LockedNote).toBool())
        tip += QStringLiteral("\nLocked while the feedback search runs.");
    control->setToolTip(tip);
}

void SetOwnTip(QWidget *control, const QString &tip)
{
    control->setProperty(OwnTip, tip);
    ComposeTip(control);
}

QString WidthRange()
{
    QStringList texts;
    for (const char *text : WidthText)
        texts << QString::fromLatin1(text);
    return texts.join(QStringLiteral(", "));
}

// Why `row` (0..11) of channel `c` is automatic while the channel's
// automatic count is `count`, and how it would become the user's.
QString AutomaticRowNote(int c, int row, int count)
{
    const QString placed = QStringLiteral("Placed by the device's search: the %1 automatic count "
                                          "(\"Num notch automatic\") is %2, which gives notches 1 to %2 to the search.")
                               .arg(ChannelName(c))
                               .arg(count);
    if (row == 0)
        return placed + QStringLiteral(" Notch 1 is always the search's: the count is 1 at least.");
    return placed + QStringLiteral(" To set this notch yourself, lower the count to %1 or less.").arg(row);
}

// The palette of a text box of a row: its own colours under automatic
// control; none for a row of the user's, whose roles all come from the editor.
QPalette RowPalette(bool automatic, const LookColours &colours)
{
    QPalette palette;
    if (automatic) {
        palette.setColor(QPalette::Disabled, QPalette::Base, QColor(QRgb(colours.automaticRowBackground)));
        palette.setColor(QPalette::Disabled, QPalette::Text, QColor(QRgb(colours.readOnlyText)));
    }
    return palette;
}

} // namespace

void SetEditorToolTips(FrmEq &editor)
{
    for (int f = 0; f < FilterCount; ++f) {
        const auto i = static_cast<std::size_t>(f);
        const QString notch = QStringLiteral("%1 notch %2").arg(ChannelName(f / FiltersPerChannel)).arg(f % FiltersPerChannel + 1);
        const QString frequency = QStringLiteral("%1: frequency, 20 Hz to 20000 Hz").arg(notch);
        const QString gain = QStringLiteral("%1: gain, -45 dB to 0 dB").arg(notch);
        const QString width = QStringLiteral("%1: width (Q), %2").arg(notch, WidthRange());
        SetOwnTip(editor.Text2[i], frequency);
        SetOwnTip(editor.HScroll6[i], frequency);
        SetOwnTip(editor.Text1[i], gain);
        SetOwnTip(editor.HScroll20[i], gain);
        SetOwnTip(editor.Text3[i], width);
        SetOwnTip(editor.HScroll30[i], width);
    }
    for (int c = 0; c < 2; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const QString channel = ChannelName(c);
        SetOwnTip(editor.HScroll1[i], QStringLiteral("%1: notches the feedback search may place, 1 to 12").arg(channel));
        SetOwnTip(editor.HScroll2[i], QStringLiteral("%1: width (Q) of the automatic notches, %2").arg(channel, WidthRange()));
        SetOwnTip(editor.HScroll3[i], QStringLiteral("%1: attenuation of the automatic notches, Fixed or Variable").arg(channel));
        SetOwnTip(editor.HScroll4[i], QStringLiteral("%1: release of the automatic notches, Slow or Fast").arg(channel));
        SetOwnTip(editor.HScroll5[i], QStringLiteral("%1: search mode, Sharp or Fast").arg(channel));
        const QString sensitivity = QStringLiteral("%1: sensitivity of the feedback search, 1 to 16").arg(channel);
        SetOwnTip(editor.Slider1[i], sensitivity);
        SetOwnTip(editor.Text4[i], sensitivity);
        SetOwnTip(editor.Command1[i], QStringLiteral("%1: every automatic notch back to 0 dB").arg(channel));
        SetOwnTip(editor.Command1[i + 2], QStringLiteral("%1: every manual notch back to 0 dB").arg(channel));
        SetOwnTip(editor.KeepFound[i], QStringLiteral("%1: the notches the search placed become manual filters, "
                                                      "and the automatic count goes down by as many")
                                           .arg(channel));
    }
    SetOwnTip(editor.Check2, QStringLiteral("Link the channels: a change to one is made to the other too"));
    const std::array<const char *, 3> searched = {"both channels", "the Left channel", "the Right channel"};
    for (std::size_t k = 0; k < editor.Check1.size(); ++k)
        SetOwnTip(editor.Check1[k], QStringLiteral("Feedback search of %1: the device places notches where it "
                                                   "finds feedback, until the box is cleared")
                                        .arg(QLatin1StringView(searched[k])));
}

void ExplainAutomaticRows(FrmEq &editor, int c, int count)
{
    for (int row = 0; row < FiltersPerChannel; ++row) {
        const QString note = AutomaticRowNote(c, row, count);
        for (QWidget *control : editor.RowControls(FiltersPerChannel * c + row)) {
            if (control == nullptr || control->property(AutomaticWhy).toString() == note)
                continue;
            control->setProperty(AutomaticWhy, note);
            ComposeTip(control);
        }
    }
}

void ColourEditor(FrmEq &editor, const LookColours &colours)
{
    QPalette palette;
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(QRgb(colours.lockedText)));
    // The other roles come from the application.
    editor.setPalette(palette);
    for (QLineEdit *box : editor.findChildren<QLineEdit *>())
        if (box->property(AutomaticNote).toBool())
            box->setPalette(RowPalette(true, colours));
    QPalette swatch;
    swatch.setColor(QPalette::Window, QColor(QRgb(colours.automaticRowBackground)));
    editor.LegendSwatch->setPalette(swatch);
}

void MarkAutomatic(QWidget *control, bool automatic, const LookColours &colours)
{
    if (control->property(AutomaticNote).toBool() == automatic)
        return;
    control->setProperty(AutomaticNote, automatic);
    ComposeTip(control);
    if (qobject_cast<QLineEdit *>(control))
        control->setPalette(RowPalette(automatic, colours));
}

void LockForSearch(QWidget *control, bool locked)
{
    control->setEnabled(!locked);
    QList<QWidget *> controls = control->findChildren<QWidget *>();
    controls.prepend(control);
    for (QWidget *w : controls) {
        // A control with a tool tip set elsewhere (the main window's buttons) keeps it as its own.
        if (!w->property(OwnTip).isValid()) {
            if (w->toolTip().isEmpty())
                continue;
            w->setProperty(OwnTip, w->toolTip());
        }
        if (w->property(LockedNote).toBool() == locked)
            continue;
        w->setProperty(LockedNote, locked);
        ComposeTip(w);
    }
}

} // namespace ksr
