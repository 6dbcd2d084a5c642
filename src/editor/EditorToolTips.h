#pragma once
// What the editor's controls tell on hovering: the parameter each sets and
// its range; a row under automatic control also that the device sets it,
// and a control locked during a feedback search why it is locked. The rows
// under automatic control keep legible text on a background of their own.

#include "core/LookColours.h"

class QWidget;

namespace ksr {

class FrmEq;

// Gives every control of the editor its tool tip.
void SetEditorToolTips(FrmEq &editor);
// Tells on each control of channel c's rows, for while it is automatic, that
// the channel's automatic count `count` gives it to the search and how to
// free it.
void ExplainAutomaticRows(FrmEq &editor, int c, int count);
// Gives the editor the locked text of `colours`, and the rows under
// automatic control (and the legend's swatch) their background and text.
void ColourEditor(FrmEq &editor, const LookColours &colours);
// Shows a control of a notch row as set by the device, in `colours`, or as
// the user's again.
void MarkAutomatic(QWidget *control, bool automatic, const LookColours &colours);
// Disables `control` while the feedback search runs and says so in its tool
// tip and those of the controls inside it; or enables it again.
void LockForSearch(QWidget *control, bool locked);

} // namespace ksr
