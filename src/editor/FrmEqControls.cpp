// FrmEq's EditorControls: each operation goes straight to its control, so
// that value changes raise the control's own signals as a user's would.

#include "editor/FrmEq.h"

#include <QCheckBox>


#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

namespace ksr {

namespace {

// The control of an array at a filter or channel index; an index out of
// range is a programming error and throws.
template <typename Control, std::size_t N>
Control *Item(const std::array<Control *, N> &controls, int index)
{
    return controls.at(static_cast<std::size_t>(index));
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
    if (control->text() != text)
        control->setText(text);
}

int FrmEq::HScroll20Value(int f) const { return Item(HScroll20, f)->value(); }
void FrmEq::SetHScroll20Value(int f, int value) { Item(HScroll20, f)->setValue(value); }
int FrmEq::HScroll30Value(int f) const { return Item(HScroll30, f)->value(); }
void FrmEq::SetHScroll30Value(int f, int value) { Item(HScroll30, f)->setValue(value); }
int FrmEq::HScroll6Value(int f) const { return Item(HScroll6, f)->value(); }
void FrmEq::SetHScroll6Value(int f, int value) { Item(HScroll6, f)->setValue(value); }

QString FrmEq::Text1Text(int f) const { return Item(Text1, f)->text(); }
void FrmEq::SetText1Text(int f, const QString &text) { SetTextIfChanged(Item(Text1, f), text); }
QString FrmEq::Text2Text(int f) const { return Item(Text2, f)->text(); }
void FrmEq::SetText2Text(int f, const QString &text) { SetTextIfChanged(Item(Text2, f), text); }
QString FrmEq::Text3Text(int f) const { return Item(Text3, f)->text(); }
void FrmEq::SetText3Text(int f, const QString &text) { SetTextIfChanged(Item(Text3, f), text); }

void FrmEq::SetRowEnabled(int f, bool enabled)
{
    Item(HScroll20, f)->setEnabled(enabled);
    Item(Text1, f)->setEnabled(enabled);
    Item(HScroll30, f)->setEnabled(enabled);
    Item(Text3, f)->setEnabled(enabled);
    Item(Text2, f)->setEnabled(enabled);
    Item(HScroll6, f)->setEnabled(enabled);
}

int FrmEq::SettingValue(SettingControl control, int c) const
{
    return SettingSlider(*this, control, c)->value();
}

void FrmEq::SetSettingValue(SettingControl control, int c, int value)
{
    SettingSlider(*this, control, c)->setValue(value);
}

QString FrmEq::SettingText(SettingControl control, int c) const
{
    if (QLabel *label = SettingLabel(*this, control, c))
        return label->text();
    return Item(Text4, c)->text();
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

void FrmEq::SetLabel7Caption(const QString &text)
{
    SetTextIfChanged(Label7, text);
}

void FrmEq::SetLabel8Caption(const QString &text)
{
    SetTextIfChanged(Label8, text);
}

} // namespace ksr
