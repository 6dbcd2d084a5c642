// Reading an arbitrary init.cfg and writing the port number back.

#include "core/PortConfig.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("init.cfg"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    ksr::PortConfigRecord record = ksr::ReadPortConfig(path);
    const std::int16_t port = record.PortNumber();
    record.SetPortNumber(port);
    ksr::WritePortConfig(path, record);
    if (ksr::ReadPortConfig(path).PortNumber() != port)
        __builtin_trap();
    return 0;
}
