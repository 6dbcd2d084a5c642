#pragma once
// Operations on whole channels: copying one onto the other, linking them,
// resetting their manual or automatic notches, comparing them.

#include "core/UserDialogs.h"
#include "core/EditorControls.h"
#include "operations/ParameterSending.h"
#include "core/State.h"

namespace ksr {

class CurveRedraw;

// ChannelsDiffer: whether any of the 80 bytes of the two channel halves of
// PresetImage differ.
void CompareChannels(AppState &state);

class ChannelOperations {
public:
    ChannelOperations(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph,
                      UserDialogs &dialogs);

    // The twelve notch filters and six settings of one channel onto the
    // other; the uninterpreted bytes stay as they are.
    void CopyChannelLeftToRight();
    void CopyChannelRightToLeft();
    // Follows the link box: unlinks, or links, asking first to copy Left
    // onto Right when the channels differ now.
    void LinkChannels();
    // Sets the manual (or automatic) notches of channel c to 0 dB.
    void ResetManualNotches(int c);
    void ResetAutomaticNotches(int c);

private:
    // Copies records, rows and setting controls from `source` to the other channel.
    void CopyControls(int source);
    void ResetNotches(int c, bool automatic);

    AppState &state_;
    EditorControls &controls_;
    ParameterSender &sender_;
    CurveRedraw &graph_;
    UserDialogs &dialogs_;
};

} // namespace ksr
