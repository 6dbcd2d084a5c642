#pragma once
// Shows a PresetImage that was just replaced as a whole in the editor and
// runs every send operation, so that texts, mirrors, settings, image and
// (when sending is allowed) the device agree with it.

#include "core/EditorControls.h"
#include "operations/ParameterSending.h"
#include "core/State.h"

namespace ksr {

class CurveRedraw;

// Values outside a control's range are clamped into it as the control is
// set; the image then holds the clamped value.
void ApplyPresetImage(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph);

} // namespace ksr
