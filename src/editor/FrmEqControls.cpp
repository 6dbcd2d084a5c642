// FrmEq's EditorControls: each operation goes straight to its control, so
// that value changes raise the control's own signals as a user's would.

#include "editor/FrmEq.h"

#include "editor/EditorToolTips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

namespace ksr {

namespace {

// The control of an array at a filter or channel index; nullptr for an
// index out of range, a programming error that then changes nothing rather
// than throw out of a Qt slot.
template <typename Control, std::size_t N>
Control *Item(const std::array<Control *, N> &controls, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < N ? controls[static_cast<std::size_t>(index)] : nullptr;
}

template <typename Control>
int ValueOf(const Control *control)
{
    return control != nullptr ? control->value() : 0;
}

template <typename Control>
void SetValueOf(Control *control, int value)
{
    if (control != nullptr)
        control->setValue(value);
}

template <typename Control>
QString TextOf(const Control *control)
{
    return control != nullptr ? control->text() : QString();
}

QAbstractSlider *SettingSlider(const FrmEq &editor, SettingControl control, int c)
{
    switch (control) {
    case SettingControl::HScroll1: return Item(editor.HScroll1, c);
    case SettingControl::HScroll2: return Item(editor.HScroll2, c);
    case SettingControl::HScroll3: return Item(editor.HScroll3, c);
    case SettingControl::HScroll4: return Item(editor.HScroll4, c);
    case SettingControl::HScroll5: return Item(editor.HScroll5, c);
    case SettingControl::Slider1: return Item(editor.Slider1, c);
    }
    return nullptr;
}

// The label showing a scroll bar's value; null for the slider, whose value
// shows in Text4.
QLabel *SettingLabel(const FrmEq &editor, SettingControl control, int c)
{
    switch (control) {
    case SettingControl::HScroll1: return Item(editor.Label3, c);
    case SettingControl::HScroll2: return Item(editor.Label5, c);
    case SettingControl::HScroll3: return Item(editor.Label6, c);
    case SettingControl::HScroll4: return Item(editor.Label1, c);
    case SettingControl::HScroll5: return Item(editor.Label9, c);
    case SettingControl::Slider1: return nullptr;
    }
    return nullptr;
}

} // namespace

// Sets the text; the control repaints from the event loop, which runs while
// a device exchange waits too. A text already shown costs nothing.
template <typename Control>
void FrmEq::SetTextIfChanged(Control *control, const QString &text)
{
    if (control == nullptr)
        return;
    if (control->text() != text)
        control->setText(text);
    // The box shows the program's value now: no typing of the user's is pending.
    if constexpr (std::is_base_of_v<QLineEdit, Control>)
        control->setModified(false);
}

int FrmEq::HScroll20Value(int f) const { return ValueOf(Item(HScroll20, f)); }
void FrmEq::SetHScroll20Value(int f, int value) { SetValueOf(Item(HScroll20, f), value); }
int FrmEq::HScroll30Value(int f) const { return ValueOf(Item(HScroll30, f)); }
void FrmEq::SetHScroll30Value(int f, int value) { SetValueOf(Item(HScroll30, f), value); }
int FrmEq::HScroll6Value(int f) const { return ValueOf(Item(HScroll6, f)); }
void FrmEq::SetHScroll6Value(int f, int value) { SetValueOf(Item(HScroll6, f), value); }

QString FrmEq::Text1Text(int f) const { return TextOf(Item(Text1, f)); }
void FrmEq::SetText1Text(int f, const QString &text) { SetTextIfChanged(Item(Text1, f), text); }
QString FrmEq::Text2Text(int f) const { return TextOf(Item(Text2, f)); }
void FrmEq::SetText2Text(int f, const QString &text) { SetTextIfChanged(Item(Text2, f), text); }
QString FrmEq::Text3Text(int f) const { return TextOf(Item(Text3, f)); }
void FrmEq::SetText3Text(int f, const QString &text) { SetTextIfChanged(Item(Text3, f), text); }

std::array<QWidget *, 6> FrmEq::RowControls(int f) const
{
    return {Item(HScroll20, f), Item(Text1, f), Item(HScroll30, f), Item(Text3, f), Item(Text2, f), Item(HScroll6, f)};
}

void FrmEq::SetRowEnabled(int f, bool enabled)
{
    for (QWidget *control : RowControls(f)) {
        if (control != nullptr) {
            control->setEnabled(enabled);
            MarkAutomatic(control, !enabled, colours_);
        }
    }
}

int FrmEq::SettingValue(SettingControl control, int c) const
{
    return ValueOf(SettingSlider(*this, control, c));
}

void FrmEq::SetSettingValue(SettingControl control, int c, int value)
{
    SetValueOf(SettingSlider(*this, control, c), value);
}

QString FrmEq::SettingText(SettingControl control, int c) const
{
    if (QLabel *label = SettingLabel(*this, control, c))
        return label->text();
    return TextOf(Item(Text4, c));
}

void FrmEq::SetSettingText(SettingControl control, int c, const QString &text)
{
    if (QLabel *label = SettingLabel(*this, control, c)) {
        SetTextIfChanged(label, text);
        return;
    }
    SetTextIfChanged(Item(Text4, c), text);
}

bool FrmEq::Check2Value() const { return Check2->isChecked(); }
void FrmEq::SetCheck2Value(bool checked) { Check2->setChecked(checked); }

void FrmEq::SetEditorBusy(bool busy)
{
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

QString FrmEq::Label7Caption() const { return Label7->text(); }
QString FrmEq::Label8Caption() const { return Label8->text(); }

void FrmEq::SetLabel7Caption(const QString &text)
{
    SetTextIfChanged(Label7, text);
}

void FrmEq::SetLabel8Caption(const QString &text)
{
    SetTextIfChanged(Label8, text);
}

} // namespace ksr
