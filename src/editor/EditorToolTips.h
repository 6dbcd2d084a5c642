#pragma once
// What the editor's controls tell on hovering: the parameter each sets and
// its range; a row under automatic control also that the device sets it,
// and a control locked during a feedback search why it is locked. The rows
// under automatic control keep legible text on a background of their own.

class QWidget;

namespace ksr {

class FrmEq;

// Gives every control of the editor its tool tip, and the editor the
// colours of legible read-only text.
void SetEditorToolTips(FrmEq &editor);
// Shows a control of a notch row as set by the device, or as the user's again.
void MarkAutomatic(QWidget *control, bool automatic);
// Disables `control` while the feedback search runs and says so in its tool
// tip and those of the controls inside it; or enables it again.
void LockForSearch(QWidget *control, bool locked);

// The background of the text boxes of rows under automatic control.
inline constexpr unsigned AutomaticRowBackground = 0xD2E4F6;
// The text of read-only controls: dark enough to read on either background.
inline constexpr unsigned ReadOnlyText = 0x1F1F1F;
inline constexpr unsigned LockedText = 0x4D4D4D;

} // namespace ksr
