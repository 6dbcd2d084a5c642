#pragma once
// The model of both channels: the preset image with its mirrors, the
// automatic-search settings, the link and the captions naming the preset.
// Every change goes through it and is told once, naming what changed and
// where the change came from; the editor, the curves, the history and the
// journal observe it. No widget: the command line uses it as the window does.

#include "core/AutoSettingFields.h"
#include "core/PresetValues.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <optional>

namespace ksr {

// Where a change came from.
enum class ChangeOrigin {
    Edit,             // the user, in the editor or the main window
    Remote,           // a remote client
    ChannelOperation, // a channel copied, reset or linked
    FileLoad,         // a preset file loaded
    DevicePreset,     // a preset read from the device
    DeviceDump,       // the start-up read of the device's current settings
    DeviceStore,      // the editor's preset stored in the device
    DeviceReport,     // a notch or gain the device placed itself
    DeviceReturn,     // the device's settings kept when it was found again
    History,          // undo, redo or compare
};

// Whether the user made the change: it is then a step of the edit history.
constexpr bool IsUserChange(ChangeOrigin origin)
{
    return origin == ChangeOrigin::Edit || origin == ChangeOrigin::Remote || origin == ChangeOrigin::ChannelOperation
        || origin == ChangeOrigin::FileLoad || origin == ChangeOrigin::DevicePreset
        || origin == ChangeOrigin::DeviceReturn;
}

// What one change changed: per filter (bit f) its gain, frequency or width,
// per channel (bit of the SettingControl) its settings, and the link, the
// captions and the bytes no control shows. A preset taken in as a whole says
// so (wholeImage), besides naming the fields that differ.
struct PresetChange {
    ChangeOrigin origin = ChangeOrigin::Edit;
    std::uint32_t gains = 0;
    std::uint32_t frequencies = 0;
    std::uint32_t widths = 0;
    std::array<std::uint8_t, 2> settings{};
    bool link = false;
    bool captions = false;
    bool otherBytes = false;
    bool wholeImage = false;

    bool Empty() const;
    std::uint32_t Notches() const { return gains | frequencies | widths; }
    bool NotchChanged(int f) const { return f >= 0 && f < FilterCount && ((Notches() >> f) & 1U) != 0; }
    bool SettingChanged(SettingControl control, int c) const;
    // `other` added to this one.
    void Merge(const PresetChange &other);
};

class PresetModel : public QObject {
    Q_OBJECT
public:
    explicit PresetModel(QObject *parent = nullptr);

    const PresetValues &Values() const { return values_; }
    const PresetImageArray &Image() const { return values_.PresetImage; }

    // Filter f (0..23, Left 0..11): its gain step 0..45 (gain step - 45 dB),
    // frequency index 0..729 and width index 0..3.
    int NotchGainStep(int f) const;
    int NotchFrequencyIndex(int f) const;
    int NotchWidth(int f) const;
    // Channel c's automatic setting as its control's position.
    int SettingPosition(SettingControl control, int c) const;
    // Channel c's automatic count (1..12) and automatic width index.
    int AutoCount(int c) const;
    int AutoWidth(int c) const;
    // Whether filter f is one of its channel's automatic rows.
    bool IsAutomaticRow(int f) const;
    bool Linked() const { return values_.LinkFlag != 0; }
    // Where the preset came from, and its name.
    const QString &Source() const { return values_.PresetSource; }
    const QString &Name() const { return values_.PresetName; }

    // A notch's field: values outside its range are clamped. An edit or a
    // remote client's change applies to the same row of both channels while
    // they are linked.
    void SetNotchGain(int f, int step, ChangeOrigin origin);
    void SetNotchFrequency(int f, int index, ChangeOrigin origin);
    void SetNotchWidth(int f, int width, ChangeOrigin origin);
    // A whole notch, on its own channel only.
    void SetNotch(int f, int step, int index, int width, ChangeOrigin origin);
    // Channel c's setting at control position `position` (clamped), on both
    // channels for a linked edit. A new automatic width goes to the
    // channel's automatic rows too, as the device does itself.
    void SetSetting(SettingControl control, int c, int position, ChangeOrigin origin);
    void SetLinked(bool linked, ChangeOrigin origin);
    void SetCaptions(const QString &source, const QString &name, ChangeOrigin origin);
    // A preset taken in as a whole: unlinked, values outside a control's
    // range clamped, the automatic rows at their channel's automatic width.
    void LoadPreset(const PresetImageArray &image, ChangeOrigin origin);
    // Channel c's automatic rows at its automatic width, as the device sets
    // them once it has the width.
    void ApplyAutoWidths(int c, ChangeOrigin origin);
    // Every value as given (an undo, a held setting), the image clamped as
    // LoadPreset does but nothing else changed.
    void SetValues(const PresetImageArray &image, bool linked, const QString &source, const QString &name,
                   ChangeOrigin origin);

    // Changes of `origin` inside a batch are told once, at its end; a change
    // of another origin (a report taken in during an edit's exchange) is
    // told at once, after what the batch had changed so far.
    class Batch {
    public:
        Batch(PresetModel &model, ChangeOrigin origin);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        PresetModel &model_;
    };

signals:
    void Changed(const ksr::PresetChange &change);

private:
    // Filter f's given fields (the others as they are), and its partner's
    // for a linked edit.
    void SetNotchFields(int f, std::optional<int> step, std::optional<int> index, std::optional<int> width,
                        ChangeOrigin origin);
    // Writes filter f's fields, keeps its mirrors, and notes what changed.
    void WriteNotch(int f, int step, int index, int width, PresetChange &change);
    void WriteSetting(SettingControl control, int c, int position, PresetChange &change);
    void ApplyAutoWidth(int c, PresetChange &change);
    // The image as given with every field brought into range, and all mirrors.
    void TakeImage(const PresetImageArray &image, PresetChange &change);
    // The filters (f, and its partner for a linked edit) a field change goes to.
    std::array<int, 2> Targets(int f, ChangeOrigin origin) const;
    void Tell(const PresetChange &change);
    void Flush();

    PresetValues values_;
    int batchDepth_ = 0;
    ChangeOrigin batchOrigin_ = ChangeOrigin::Edit;
    PresetChange pending_;
};

// The same row of the other channel.
constexpr int PartnerFilter(int f)
{
    return f < FiltersPerChannel ? f + FiltersPerChannel : f - FiltersPerChannel;
}

} // namespace ksr
