#pragma once
// Editing the notch filter rows: the gain, frequency and width scroll bars
// and the typed gain and frequency. Each change is sent and drawn at once,
// and with the channels linked repeated on the same row of the other channel;
// each is one step of the edit history.

#include "core/UserDialogs.h"
#include "operations/EditHistory.h"
#include "operations/ParameterSending.h"
#include "core/State.h"

#include <optional>

namespace ksr {

class FrmEq;
class CurveRedraw;

class NotchRowEditing {
public:
    NotchRowEditing(AppState &state, FrmEq &editor, ParameterSender &sender, CurveRedraw &graph,
                    EditHistory &history, UserDialogs &dialogs);

    void HScroll6_Change(int f, int value);
    void HScroll20_Change(int f, int value);
    void HScroll30_Change(int f, int value);
    // Return the key to use: the key itself, or "?" after a warning.
    int Text1_KeyPress(int f, int key);
    int Text2_KeyPress(int f, int key);

private:
    // Sends filter f and redraws its channel.
    void SendAndDraw(int f);
    int RejectKey(const QString &warning);

    AppState &state_;
    FrmEq &editor_;
    ParameterSender &sender_;
    CurveRedraw &graph_;
    EditHistory &history_;
    UserDialogs &dialogs_;
};

// The same row of the other channel.
constexpr int PartnerFilter(int f)
{
    return f < FiltersPerChannel ? f + FiltersPerChannel : f - FiltersPerChannel;
}

// The whole text read as a whole number, if it is one: digits, with a
// leading minus only where `minusAllowed`.
std::optional<double> BoxNumber(const QString &text, bool minusAllowed);

} // namespace ksr
