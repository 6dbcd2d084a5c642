#pragma once
// Keeping what a feedback search found: the notches the device placed in a
// channel's automatic rows become manual filters, and the channel's
// automatic count goes down by as many, so that the remaining automatic
// rows are free for new feedback.

#include "operations/ParameterSending.h"
#include "operations/PresetModel.h"

#include <QString>

#include <optional>
#include <vector>

namespace ksr {

// One kept notch: the filter the device placed it in, and the manual row
// (filter) that holds it afterwards; the same filter where it already sits
// in a row that turns manual.
struct KeptNotch {
    int from = 0;
    int to = 0;
};

// What keeping the found notches of one channel does.
struct FoundNotchesPlan {
    int channel = 0;
    int countBefore = 1;
    int countAfter = 1;
    // In the order of the rows they sit in now.
    std::vector<KeptNotch> kept;
    // The notch that stays in the one automatic row left, when every
    // automatic row held one: the filter it sits in now.
    std::optional<int> notKept;

    bool Empty() const { return kept.empty(); }
};

// The plan for channel c as the model holds it. A placed notch is an
// automatic row below 0 dB. The count never goes below 1: when every
// automatic row holds a notch the deepest are kept and the shallowest stays.
FoundNotchesPlan PlanKeepFoundNotches(const PresetModel &model, int c);

// The question asked before a plan is carried out, naming the channel, each
// notch to keep and the count before and after; for an empty plan, why
// there is nothing to keep.
QString KeepFoundNotchesText(const PresetModel &model, const FoundNotchesPlan &plan);

// Carries out `plan` on the model and the device, in an order that keeps
// every kept notch in force at every moment: first each copy into its
// manual row (the notch is briefly there twice, deeper, never missing),
// then the lower count (the copies turn manual, out of the search's reach),
// then the rows it came from back to 0 dB, free for the search, the notch
// that is not kept moved into the automatic row if its own row was taken.
void KeepFoundNotches(PresetModel &model, ParameterSender &sender, const FoundNotchesPlan &plan, ChangeOrigin origin);

} // namespace ksr
