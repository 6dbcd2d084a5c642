// An arbitrary init.cfg's bytes read as the record, the port number set and
// the record written back to bytes and read again.

#include "core/PortConfig.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    ksr::PortConfigRecord record = ksr::ParsePortConfig(bytes);
    const std::int16_t port = record.PortNumber();
    record.SetPortNumber(port);
    const QByteArray written = ksr::PortConfigBytes(record);
    // The record keeps every byte the file had, zeros where it had none.
    const QByteArray kept = bytes.left(ksr::PortConfigRecordBytes);
    if (written != kept + QByteArray(ksr::PortConfigRecordBytes - kept.size(), '\0'))
        __builtin_trap();
    if (ksr::ParsePortConfig(written).PortNumber() != port)
        __builtin_trap();
    return 0;
}
