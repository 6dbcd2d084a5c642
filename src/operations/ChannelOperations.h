#pragma once
// Operations on whole channels: copying one onto the other, linking them,
// resetting their manual or automatic notches, comparing them.

#include "core/State.h"
#include "core/UserDialogs.h"
#include "operations/FoundNotches.h"
#include "operations/ParameterSending.h"
#include "operations/PresetModel.h"

#include <functional>

namespace ksr {

// ChannelsDiffer: whether any of the 80 bytes of the two channel halves of
// the image differ.
void CompareChannels(AppState &state, const PresetModel &model);

class ChannelOperations {
public:
    ChannelOperations(AppState &state, PresetModel &model, ParameterSender &sender, UserDialogs &dialogs);

    // Shows the editor busy (true) or not, while a link copies a channel.
    void SetBusy(std::function<void(bool)> busy) { busy_ = std::move(busy); }
    // Told each filter that holds a kept notch, once all frames are out.
    void SetNotchKept(std::function<void(int f)> kept) { kept_ = std::move(kept); }

    // The twelve notch filters and six settings of one channel onto the
    // other; the uninterpreted bytes stay as they are.
    void CopyChannelLeftToRight();
    void CopyChannelRightToLeft();
    // Follows the link box, `ticked` or not: unlinks, or links, asking first
    // to copy Left onto Right when the channels differ now. False when the
    // user declined, so that the box goes back.
    bool LinkChannels(bool ticked);
    // Sets the manual (or automatic) notches of channel c to 0 dB.
    void ResetManualNotches(int c);
    void ResetAutomaticNotches(int c);
    // Asks, then keeps the notches the search placed in channel c's
    // automatic rows as manual filters: one change of the model. False when
    // nothing was kept.
    bool KeepFoundNotches(int c);
    // Carries out `plan` without asking (a remote client asked on its own
    // page), telling each kept notch.
    void Keep(const FoundNotchesPlan &plan, ChangeOrigin origin);

private:
    // Copies the rows of `source` onto the other channel and sends them, then
    // its settings, leaving them to be sent.
    void CopyChannel(int source);
    void ResetNotches(int c, bool automatic);

    AppState &state_;
    PresetModel &model_;
    ParameterSender &sender_;
    UserDialogs &dialogs_;
    std::function<void(bool)> busy_;
    std::function<void(int)> kept_;
};

} // namespace ksr
