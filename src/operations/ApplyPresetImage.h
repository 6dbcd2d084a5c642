#pragma once
// Shows a PresetImage in the editor and brings texts, mirrors, settings and
// (when sending is allowed) the device into agreement with it: all of it
// after the image was replaced as a whole, or only what differs from an
// earlier edit snapshot.

#include "core/EditorControls.h"
#include "operations/EditSnapshot.h"
#include "operations/ParameterSending.h"
#include "core/State.h"

namespace ksr {

class CurveRedraw;

// Shows filter f's row as PresetImage holds it, as the program's own change
// (no handler acts); a value outside a control's range is clamped.
void ShowImageFilter(AppState &state, EditorControls &controls, int f);

// Values outside a control's range are clamped into it as the control is
// set; the image then holds the clamped value.
void ApplyPresetImage(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph);

// Brings the editor and the device to `target`, sending through the same
// senders an edit uses and only what differs: one frame per changed filter,
// one automatic-search frame per channel whose count, width, attenuation or
// sensitivity changed, one mode frame per channel whose release or search
// mode changed. Settings go first, so that a width change reaches the
// automatic rows as it does when edited, and those rows need no frame.
void ApplyEditSnapshot(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph,
                       const EditSnapshot &target);

} // namespace ksr
