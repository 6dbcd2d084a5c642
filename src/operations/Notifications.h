#pragma once
// The notch filters the device reports during a feedback search, taken into
// the image, the editor row and the curve, without sending anything back.

#include "core/EditorControls.h"
#include "operations/ParameterSending.h"
#include "core/State.h"

namespace ksr {

class CurveRedraw;

// Handles the notification in RxBuffer 0..6. Unknown types, and reports
// whose filter, frequency, width or gain lie outside their ranges, change
// nothing. Returns whether the report was taken in.
bool HandleNotification(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph);

} // namespace ksr
