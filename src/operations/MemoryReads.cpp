#include "operations/MemoryReads.h"

#include "core/Protocol.h"

#include <algorithm>

namespace ksr {

MemoryReader::MemoryReader(AppState &state, SerialLink &link, ReadCheck check, std::function<void()> progress)
    : state_(state), link_(link), check_(check), progress_(std::move(progress))
{
}

int MemoryReader::Read(int address, int count)
{
    const auto first = static_cast<int>(bytes_.size());
    for (int i = 0; i < count; ++i) {
        Byte byte;
        byte.address = address + i;
        if (!Stopped())
            Ask(byte);
        bytes_.push_back(byte);
    }
    return first;
}

bool MemoryReader::Ask(Byte &byte)
{
    if (Stopped())
        return false;
    link_.ExchangeCommand(ReadByteFrame(byte.address));
    if (DeviceGone(state_))
        return false;
    byte.value = ReadByteValue(std::span(link_.RxBuffer()).first<ReplyBytes>());
    byte.serial = link_.LastAnswerSerial();
    if (progress_)
        progress_();
    return true;
}

bool MemoryReader::TakeIfSure(Byte &byte)
{
    if (byte.sure || link_.Unsound(byte.serial))
        return byte.sure;
    byte.sure = check_ == ReadCheck::Sound || byte.seen == byte.value;
    byte.seen = byte.value;
    return byte.sure;
}

bool MemoryReader::Settle()
{
    // Each round first lets the line fall quiet, so that what trails an
    // unsound answer is gone before the byte is asked for again.
    for (int round = 0;; ++round) {
        if (Stopped() || !link_.AwaitQuietLine())
            return false;
        std::vector<Byte *> open;
        for (Byte &byte : bytes_) {
            if (!TakeIfSure(byte))
                open.push_back(&byte);
        }
        if (open.empty())
            return true;
        if (round == MaxSends) {
            link_.TimeOut();
            return false;
        }
        for (Byte *byte : open) {
            if (!Ask(*byte))
                return false;
        }
    }
}

QByteArray MemoryReader::Values(int first, int count) const
{
    QByteArray values;
    values.reserve(count);
    for (int i = first; i < first + count; ++i)
        values += static_cast<char>(Value(i));
    return values;
}

std::optional<QByteArray> ReadMemoryBytes(AppState &state, SerialLink &link, int address, int count, ReadCheck check,
                                          const std::function<void()> &progress)
{
    MemoryReader reader(state, link, check, progress);
    const int first = reader.Read(address, count);
    if (!reader.Settle())
        return std::nullopt;
    return reader.Values(first, count);
}

std::optional<std::array<bool, UserSlotCount>> ReadUsedMarkers(AppState &state, SerialLink &link, ReadCheck check)
{
    const std::optional<QByteArray> markers = ReadMemoryBytes(state, link, UsedMarkerAddress, UserSlotCount, check);
    if (!markers)
        return std::nullopt;
    std::array<bool, UserSlotCount> used{};
    for (int n = 0; n < UserSlotCount; ++n)
        used[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(markers->at(n)) == UsedMarker;
    return used;
}

std::optional<UserDirectory> ReadUserDirectory(MemoryReader &reader, const std::function<void()> &beforeSettle)
{
    const int markers = reader.Read(UsedMarkerAddress, UserSlotCount);
    std::array<int, UserSlotCount> nameAt{};
    nameAt.fill(-1);
    const auto used = [&](int n) { return reader.Value(markers + n) == UsedMarker; };
    // Reads the names of used slots not read yet; true when it read any.
    const auto readNames = [&] {
        bool read = false;
        for (int n = 0; n < UserSlotCount; ++n) {
            auto &at = nameAt[static_cast<std::size_t>(n)];
            if (used(n) && at < 0) {
                at = reader.Read(SlotNameAddress + NameLength * n, NameLength);
                read = true;
            }
        }
        return read;
    };
    readNames();
    if (beforeSettle)
        beforeSettle();
    do {
        if (!reader.Settle())
            return std::nullopt;
    } while (readNames());

    UserDirectory directory;
    for (int n = 0; n < UserSlotCount; ++n) {
        const auto slot = static_cast<std::size_t>(n);
        directory.used[slot] = used(n);
        if (used(n))
            directory.names[slot] = reader.Values(nameAt[slot], NameLength);
    }
    return directory;
}

std::optional<BlockArray> ReadPresetBlockSoundly(AppState &, SerialLink &link, std::uint8_t selector,
                                                 ReadCheck check)
{
    // Each read waits for the line to fall quiet after its block, so that a
    // block read again is read on a quiet line.
    std::optional<BlockArray> seen;
    std::optional<BlockArray> sure;
    int tries = 0;
    const auto another = [&] {
        if (!link.Unsound(link.LastAnswerSerial())) {
            BlockArray block{};
            std::copy_n(link.RxBuffer().begin(), BlockBytes, block.begin());
            if (check == ReadCheck::Sound || seen == block)
                sure = block;
            seen = block;
        }
        return !sure && ++tries < MaxSends;
    };
    if (!link.ReadPresetBlocks(selector, another))
        return std::nullopt;
    return sure;
}

} // namespace ksr
