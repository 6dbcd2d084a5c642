#pragma once
// Reading the device's memory and preset blocks so that no byte is taken
// from an answer that stray bytes on the line touched. The link marks such
// answers (see SerialLink::Unsound); what they carried is asked for again
// once the line is quiet. Confirmed reads also ask for every byte twice and
// take it only when two sound answers in a row agree, which catches an
// answer garbled in time (the librarian; the program's own reads keep their
// frames and take what a sound answer says).

#include "core/State.h"
#include "link/SerialLink.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace ksr {

// Device memory map.
inline constexpr int UsedMarkerAddress = 0x0030; // + user slot 0..15
inline constexpr int CurrentNameAddress = 0x0070;
inline constexpr int SlotPresetAddress = 0x0120; // + 160 * user slot
inline constexpr int SlotNameAddress = 0x0F20;   // + 8 * user slot
inline constexpr std::uint8_t UsedMarker = 0x55;
// What a store writes to a slot's marker before its data: "empty".
inline constexpr std::uint8_t EmptyMarker = 0x00;
inline constexpr int NameLength = 8;
inline constexpr int FixedPresetCount = 4;
inline constexpr int UserSlotCount = 16;

enum class ReadCheck {
    Sound,     // one answer per byte, asked again while the line marks it unsound
    Confirmed, // two sound answers in a row that agree
};

using BlockArray = std::array<std::uint8_t, BlockBytes>;

// Memory bytes read one exchange each, provisional until Settle().
class MemoryReader {
public:
    // `progress`, when given, is told after each exchange.
    MemoryReader(AppState &state, SerialLink &link, ReadCheck check, std::function<void()> progress = {});

    // Reads stop, and Settle() fails, once `stop` returns true.
    void SetStop(std::function<bool()> stop) { stop_ = std::move(stop); }
    // Reads `count` bytes from `address` on; returns the index of the first.
    // Reads nothing once the program is ending or the reads are stopped.
    int Read(int address, int count);
    // Waits for a quiet line, then asks again for every byte not yet sure,
    // round after round; false after "Time out" (also when a byte is not
    // sure after six rounds).
    bool Settle();
    std::uint8_t Value(int index) const { return bytes_[static_cast<std::size_t>(index)].value; }
    QByteArray Values(int first, int count) const;

private:
    struct Byte {
        int address = 0;
        std::uint8_t value = 0;
        quint64 serial = 0;
        bool sure = false;
        std::optional<std::uint8_t> seen; // the last sound answer before this one
    };
    // One exchange for `byte`; false once the program is ending or the
    // reads are stopped.
    bool Ask(Byte &byte);
    bool Stopped() const { return DeviceGone(state_) || (stop_ && stop_()); }
    // Whether `byte` is sure now; notes its answer for the next round.
    bool TakeIfSure(Byte &byte);

    AppState &state_;
    SerialLink &link_;
    ReadCheck check_;
    std::function<void()> progress_;
    std::function<bool()> stop_;
    std::vector<Byte> bytes_;
};

// The user slots' markers and name bytes as the device keeps them.
struct UserDirectory {
    std::array<bool, UserSlotCount> used{};
    std::array<QByteArray, UserSlotCount> names; // 8 bytes for a used slot, empty otherwise
};

// `count` bytes from `address` on, settled; none after "Time out".
std::optional<QByteArray> ReadMemoryBytes(AppState &state, SerialLink &link, int address, int count, ReadCheck check,
                                          const std::function<void()> &progress = {});
// Whether each user slot is used: its 16 markers, settled.
std::optional<std::array<bool, UserSlotCount>> ReadUsedMarkers(AppState &state, SerialLink &link, ReadCheck check);
// The 16 markers, then the 8 name bytes of each used slot, as the dump reads
// them; `beforeSettle` runs after those first reads, before they are
// settled, for reads of the caller's that the settling then covers. The
// names of slots whose marker changed in settling are read then. None after
// "Time out".
std::optional<UserDirectory> ReadUserDirectory(MemoryReader &reader, const std::function<void()> &beforeSettle = {});
// The 160 bytes of preset `selector` (a slot, or the current settings), read
// again, once the line is quiet, while the link marks the block unsound, and
// confirmed until two blocks in a row agree. None when the block could not
// be read soundly in six tries, the port failed, or after "Time out".
std::optional<BlockArray> ReadPresetBlockSoundly(AppState &state, SerialLink &link, std::uint8_t selector,
                                                 ReadCheck check);

} // namespace ksr
