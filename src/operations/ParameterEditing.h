#pragma once
// A user's change of one parameter, from the editor or a remote client: the
// model takes it (on both channels while they are linked) and it is sent at
// once, the edited channel first, whether or not the value changed. The
// model tells of it once the frames are out, so that the curves and the
// history never delay a frame (a report taken in meanwhile is told apart);
// the editor shows the edited value itself before it goes out.

#include "operations/ParameterSending.h"
#include "operations/PresetModel.h"

namespace ksr {

class ParameterEditing {
public:
    ParameterEditing(PresetModel &model, ParameterSender &sender);

    // Filter f's gain step (0..45), frequency index (0..729) or width index (0..3).
    void EditNotchGain(int f, int step, ChangeOrigin origin = ChangeOrigin::Edit);
    void EditNotchFrequency(int f, int index, ChangeOrigin origin = ChangeOrigin::Edit);
    void EditNotchWidth(int f, int width, ChangeOrigin origin = ChangeOrigin::Edit);
    // Channel c's setting at control position `position`.
    void EditSetting(SettingControl control, int c, int position, ChangeOrigin origin = ChangeOrigin::Edit);

private:
    // Filter f, then its partner when linked.
    void SendNotch(int f);

    PresetModel &model_;
    ParameterSender &sender_;
};

} // namespace ksr
