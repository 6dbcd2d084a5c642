#pragma once
// The editor's controls as the parameter operations see them. Setting a
// value raises the control's change handling at once, as a user's change
// would; the handlers ignore it while UpdatingControls is set. Filter index
// f is 0..23 (Left 0..11, Right 12..23), channel c is 0 Left, 1 Right.

#include <QString>

namespace ksr {

// The automatic-search controls of a channel, with the label or box that
// shows each one's value.
enum class SettingControl {
    HScroll1, // automatic count - 1, shown in Label3
    HScroll2, // automatic width, Label5
    HScroll3, // attenuation mode, Label6
    HScroll4, // release mode, Label1
    HScroll5, // search mode, Label9
    Slider1,  // sensitivity step, Text4
};

class EditorControls {
public:
    virtual ~EditorControls() = default;

    // Notch filter rows: HScroll20 gain position 0..45, HScroll30 width
    // index 0..3, HScroll6 frequency index 0..729.
    virtual int HScroll20Value(int f) const = 0;
    virtual void SetHScroll20Value(int f, int value) = 0;
    virtual int HScroll30Value(int f) const = 0;
    virtual void SetHScroll30Value(int f, int value) = 0;
    virtual int HScroll6Value(int f) const = 0;
    virtual void SetHScroll6Value(int f, int value) = 0;
    // Text boxes: Text1 gain, Text2 frequency, Text3 width. The setters
    // show the value while the next device exchange waits for its answer.
    virtual QString Text1Text(int f) const = 0;
    virtual void SetText1Text(int f, const QString &text) = 0;
    virtual QString Text2Text(int f) const = 0;
    virtual void SetText2Text(int f, const QString &text) = 0;
    virtual QString Text3Text(int f) const = 0;
    virtual void SetText3Text(int f, const QString &text) = 0;
    // Enables or disables the row's six controls.
    virtual void SetRowEnabled(int f, bool enabled) = 0;

    // Automatic-search settings of channel c.
    virtual int SettingValue(SettingControl control, int c) const = 0;
    virtual void SetSettingValue(SettingControl control, int c, int value) = 0;
    // The label (or, for Slider1, the text box Text4) showing the value,
    // shown as the texts are.
    virtual QString SettingText(SettingControl control, int c) const = 0;
    virtual void SetSettingText(SettingControl control, int c, const QString &text) = 0;

    // The link box Check2; clearing it raises its click handling.
    virtual bool Check2Value() const = 0;
    virtual void SetCheck2Value(bool checked) = 0;

    // The editor's pointer: the busy arrow with hourglass, or the default.
    virtual void SetEditorBusy(bool busy) = 0;

    // Label7 (where the preset came from) and Label8 (its name).
    virtual QString Label7Caption() const = 0;
    virtual void SetLabel7Caption(const QString &text) = 0;
    virtual QString Label8Caption() const = 0;
    virtual void SetLabel8Caption(const QString &text) = 0;
};

} // namespace ksr
