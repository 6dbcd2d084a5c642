#pragma once
// The builders of the editor's frames. Each fills its part of the window's
// control arrays for one channel (0 Left, 1 Right) inside the frame that
// FrmEq has already made for it.

namespace ksr {

class FrmEq;
class ResponseGraph;

// The twelve notch filter rows and their column captions, in ManualFrame[c].
void BuildFilterRows(FrmEq &editor, int channel);
// The automatic-search settings with their captions and value labels, in AutoFrame[c].
void BuildAutoSettings(FrmEq &editor, int channel);
// The response picture and its scale labels, in GraphFrame[c].
void BuildGraphFrame(FrmEq &editor, ResponseGraph &graph, int channel);
// Spaces both frequency scales for the editor scaled by `scale`, so that
// their names stay under their grid lines.
void ScaleFrequencyScales(FrmEq &editor, double scale);

} // namespace ksr
