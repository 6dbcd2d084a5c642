#pragma once
// The simulated device: receives frames, keeps its memory and current
// settings, and schedules its answers. It keeps no clock of its own: every
// call is told the time in seconds, and times never go back.

#include "core/Frames.h"
#include "sim/DeviceMemory.h"
#include "sim/Faults.h"
#include "sim/FrameReceiver.h"
#include "sim/Preset.h"
#include "sim/ReplyQueue.h"
#include "sim/SearchEngine.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ksr::sim {

class SimDevice {
public:
    // Time from a frame's last byte to the start of its answer.
    static constexpr double ReplyTurnaround = 0.0002;
    static constexpr int DirectoryEntries = 20;
    // While a search runs: a report is due this long after the search
    // started or after the acknowledgement of the previous one arrived.
    static constexpr double ReportInterval = SearchEngine::ReportInterval;
    // Reports of a running search this far apart instead.
    void SetReportInterval(double seconds) { search_.SetReportInterval(seconds); }
    // A report is due no sooner than this after the last answer was due, so
    // that the two never reach the PC as one chunk.
    static constexpr double ReportGap = 0.001;

    SimDevice();

    // Bytes that reached the device at `now`.
    void Receive(QByteArrayView bytes, double now);
    // The output due by `now`, in order; removes it.
    QByteArray TakeDue(double now);
    // When the next pending output is due, if any is pending: an answer, or
    // a report of a running search, which never goes before an answer that
    // is still to go.
    std::optional<double> NextDue() const;

    // Outside 0..4095 reads 0xFF; writes there are ignored.
    std::uint8_t MemoryByte(int address) const;
    void SetMemoryByte(int address, std::uint8_t value);
    Preset CurrentSettings() const { return current_; }
    void SetCurrentSettings(const Preset &settings);

    // Every complete frame received, in order, acknowledgements included.
    const std::vector<Frame> &ReceivedFrames() const { return received_; }
    void ClearReceivedFrames() { received_.clear(); }

    // Channel 0 Left, 1 Right.
    bool SearchRunning(int channel) const;

    // "KSR704SIM1", the 4096 memory bytes, the 160 current-settings bytes.
    QByteArray SaveState() const;
    // False, with the state unchanged, unless `state` is exactly that format.
    bool LoadState(const QByteArray &state);
    // True when memory or current settings changed since MarkSaved().
    bool StateChanged() const { return changed_; }
    void MarkSaved() { changed_ = false; }

    void SetFaults(const Faults &faults) { faults_ = faults; }
    const Faults &ActiveFaults() const { return faults_; }

private:
    void Handle(const Frame &frame, double now);
    void HandleNotch(const Frame &frame);
    void HandleAutoSearch(const Frame &frame, double now);
    void HandleSearchModes(const Frame &frame);
    QByteArray PresetBlock(std::uint8_t selector);
    void SetSearchRunning(int channel, bool running, double now);
    void StoreCurrent(std::size_t offset, std::uint8_t value);
    std::optional<double> ReportDue() const;

    // Queues the answer to `request`, whose last byte came at `now`, shaped
    // by the faults that apply.
    void Answer(const Frame &request, QByteArray bytes, bool isBlock, double now);

    Memory memory_;
    Preset current_;
    SearchEngine search_;
    bool changed_ = false;
    Faults faults_;
    FrameReceiver receiver_;
    ReplyQueue output_;
    std::vector<Frame> received_;
};

} // namespace ksr::sim
