#include "operations/FoundNotches.h"

#include "core/Tables.h"

#include <QStringList>

#include <algorithm>

namespace ksr {

namespace {

constexpr int ZeroDbStep = 45;

// "1003 Hz, -12 dB", as the editor shows the notch of filter f.
QString NotchText(const PresetModel &model, int f)
{
    return QStringLiteral("%1 Hz, %2 dB")
        .arg(FrequencyText(FreqTable[static_cast<std::size_t>(model.NotchFrequencyIndex(f))]))
        .arg(model.NotchGainStep(f) - ZeroDbStep);
}

} // namespace

FoundNotchesPlan PlanKeepFoundNotches(const PresetModel &model, int c)
{
    FoundNotchesPlan plan;
    plan.channel = c;
    const int first = FiltersPerChannel * c;
    const int count = model.AutoCount(c);
    plan.countBefore = count;
    plan.countAfter = count;

    std::vector<int> placed;
    for (int row = 0; row < count; ++row) {
        if (model.NotchGainStep(first + row) < ZeroDbStep)
            placed.push_back(first + row);
    }
    // Deepest first; of equal depth, the lower row.
    std::stable_sort(placed.begin(), placed.end(),
                     [&](int a, int b) { return model.NotchGainStep(a) < model.NotchGainStep(b); });
    const int keep = static_cast<int>(placed.size()) < count ? static_cast<int>(placed.size()) : count - 1;
    if (keep <= 0)
        return plan;
    plan.countAfter = count - keep;
    if (static_cast<int>(placed.size()) > keep)
        plan.notKept = placed[static_cast<std::size_t>(keep)];

    std::vector<int> kept(placed.begin(), placed.begin() + keep);
    std::sort(kept.begin(), kept.end());
    // The rows that turn manual and hold no kept notch take the others, in order.
    const int firstManual = first + plan.countAfter;
    std::vector<int> freeRows;
    for (int f = firstManual; f < first + count; ++f) {
        if (std::find(kept.begin(), kept.end(), f) == kept.end())
            freeRows.push_back(f);
    }
    auto nextFree = freeRows.begin();
    for (const int f : kept)
        plan.kept.push_back({f, f >= firstManual ? f : *nextFree++});
    return plan;
}

QString KeepFoundNotchesText(const PresetModel &model, const FoundNotchesPlan &plan)
{
    const QString channel = QStringLiteral("Channel ") + ChannelName(plan.channel);
    if (plan.Empty()) {
        const int first = FiltersPerChannel * plan.channel;
        if (plan.countBefore == 1 && model.NotchGainStep(first) < ZeroDbStep)
            return QStringLiteral("%1 has one automatic row, which holds the notch at %2. One row always stays "
                                  "automatic, so there is no notch to keep.")
                .arg(channel, NotchText(model, first));
        return QStringLiteral("The search has placed no notch in the %1 automatic rows of %2: there is no notch "
                              "to keep.")
            .arg(plan.countBefore)
            .arg(channel);
    }
    QStringList lines;
    lines << QStringLiteral("Keep the notches that the search found in %1 as manual filters?").arg(channel);
    for (const KeptNotch &notch : plan.kept)
        lines << QStringLiteral("    %1 (row %2)").arg(NotchText(model, notch.from)).arg(notch.to % FiltersPerChannel + 1);
    lines << QStringLiteral("The automatic count goes from %1 to %2.").arg(plan.countBefore).arg(plan.countAfter);
    if (plan.notKept)
        lines << QStringLiteral("Not kept: %1, which stays in the one automatic row.").arg(NotchText(model, *plan.notKept));
    return lines.join(QLatin1Char('\n'));
}

void KeepFoundNotches(PresetModel &model, ParameterSender &sender, const FoundNotchesPlan &plan, ChangeOrigin origin)
{
    if (plan.Empty())
        return;
    struct Notch {
        int step, index, width;
    };
    const auto notchOf = [&](int f) {
        return Notch{model.NotchGainStep(f), model.NotchFrequencyIndex(f), model.NotchWidth(f)};
    };
    // Read before a copy may take its row.
    const Notch notKept = plan.notKept ? notchOf(*plan.notKept) : Notch{ZeroDbStep, 0, 0};
    std::vector<KeptNotch> moves;
    std::copy_if(plan.kept.begin(), plan.kept.end(), std::back_inserter(moves),
                 [](const KeptNotch &n) { return n.from != n.to; });

    // One change, told once its frames are out: one step of the history.
    const PresetModel::Batch toldOnceSent(model, origin);
    // The copies first: each found frequency is notched throughout.
    for (const KeptNotch &n : moves) {
        const Notch notch = notchOf(n.from);
        model.SetNotch(n.to, notch.step, notch.index, notch.width, origin);
        sender.SendNotchFilter(n.to);
    }
    // Then the count: the copies turn manual.
    model.SetSetting(SettingControl::HScroll1, plan.channel, plan.countAfter - 1, origin);
    sender.SendAutoCount(plan.channel);
    // Last the rows they came from, free for new feedback; the notch that is
    // not kept goes back into the automatic row if a copy took its own.
    const bool notKeptOverwritten =
        plan.notKept && std::any_of(moves.begin(), moves.end(), [&](const KeptNotch &n) { return n.to == *plan.notKept; });
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const int f = moves[i].from;
        if (i == 0 && notKeptOverwritten)
            model.SetNotch(f, notKept.step, notKept.index, notKept.width, origin);
        else
            model.SetNotchGain(f, ZeroDbStep, origin);
        sender.SendNotchFilter(f);
    }
}

} // namespace ksr
