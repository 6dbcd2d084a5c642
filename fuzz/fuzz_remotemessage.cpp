// An arbitrary message from a stage-remote client: parsed into a hello, a
// command or a refusal, never anything else; whatever is accepted stays
// within the ranges the program's commands take.

#include "remote/ClientMessages.h"

#include <cstdint>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto parsed = ksr::ParseClientMessage(text);
    if (const auto *error = std::get_if<ksr::RemoteError>(&parsed)) {
        if (error->code.isEmpty())
            __builtin_trap();
        (void)ksr::MessageText(ksr::ErrorJson(*error));
        return 0;
    }
    const ksr::RemoteCommand &c = std::get<ksr::ClientMessage>(parsed).command;
    if (c.channel < 0 || c.channel > 1 || c.box < 0 || c.box > 2 || c.row < 0 || c.row > 11)
        __builtin_trap();
    if ((c.gainStep && (*c.gainStep < 0 || *c.gainStep > 45)) || (c.frequencyIndex && (*c.frequencyIndex < 0 || *c.frequencyIndex > 729))
        || (c.widthIndex && (*c.widthIndex < 0 || *c.widthIndex > 3)))
        __builtin_trap();
    if (c.kind == ksr::RemoteCommandKind::SetSetting
        && (c.value < 1 || c.value > (c.setting == ksr::RemoteSetting::AutoCount ? 12 : 16)))
        __builtin_trap();
    return 0;
}
