// Saving and loading the device's memory and current settings.
#include "sim/SimDevice.h"

#include "sim/Bytes.h"

namespace ksr::sim {

namespace {
constexpr QByteArrayView StateMagic = "KSR704SIM1";
constexpr qsizetype StateBytes = StateMagic.size() + MemoryBytes + PresetBytes;
} // namespace

QByteArray SimDevice::SaveState() const
{
    return StateMagic.toByteArray() + ToBytes(memory_) + ToBytes(current_);
}

bool SimDevice::LoadState(const QByteArray &state)
{
    if (state.size() != StateBytes || !state.startsWith(StateMagic))
        return false;
    const QByteArrayView bytes = QByteArrayView(state).sliced(StateMagic.size());
    Memory memory;
    Preset current;
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(i)]);
    for (std::size_t i = 0; i < current.size(); ++i)
        current[i] = static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(MemoryBytes + i)]);
    if (memory != memory_ || current != current_)
        changed_ = true;
    memory_ = memory;
    current_ = current;
    return true;
}

} // namespace ksr::sim
