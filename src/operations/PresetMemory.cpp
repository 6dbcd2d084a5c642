#include "operations/PresetMemory.h"

#include "core/CurveRedraw.h"
#include "core/Protocol.h"
#include "operations/ApplyPresetImage.h"
#include "core/AnsiText.h"

#include <algorithm>

namespace ksr {

namespace {

const QString DumpingText = QStringLiteral("Dumping memory: please wait ");

} // namespace

std::uint8_t ReadMemoryByte(AppState &state, SerialLink &link, int address)
{
    link.ExchangeCommand(ReadByteFrame(address));
    return ReadByteValue(std::span(state.RxBuffer).first<ReplyBytes>());
}

QByteArray ReadMemoryBytes(AppState &state, SerialLink &link, int address, int count,
                           const std::function<void()> &progress)
{
    QByteArray bytes;
    bytes.reserve(count);
    for (int i = 0; i < count; ++i) {
        bytes += static_cast<char>(ReadMemoryByte(state, link, address + i));
        if (progress)
            progress();
    }
    return bytes;
}

std::array<bool, UserSlotCount> ReadUsedMarkers(AppState &state, SerialLink &link)
{
    std::array<bool, UserSlotCount> used{};
    for (int n = 0; n < UserSlotCount; ++n)
        used[static_cast<std::size_t>(n)] = ReadMemoryByte(state, link, UsedMarkerAddress + n) == UsedMarker;
    return used;
}

UserDirectory ReadUserDirectory(AppState &state, SerialLink &link)
{
    UserDirectory directory;
    directory.used = ReadUsedMarkers(state, link);
    for (int n = 0; n < UserSlotCount; ++n) {
        if (directory.used[static_cast<std::size_t>(n)])
            directory.names[static_cast<std::size_t>(n)] =
                ReadMemoryBytes(state, link, SlotNameAddress + NameLength * n, NameLength);
    }
    return directory;
}

PresetMemory::PresetMemory(AppState &state, SerialLink &link, EditorControls &controls, ParameterSender &sender,
                           CurveRedraw &graph, DumpDisplay &display, UserDialogs &dialogs)
    : state_(state), link_(link), controls_(controls), sender_(sender), graph_(graph), display_(display),
      dialogs_(dialogs)
{
}

QString PresetMemory::ReadName(int address)
{
    return AnsiToString(ReadMemoryBytes(state_, link_, address, NameLength));
}

void PresetMemory::DumpDeviceMemory()
{
    if (state_.DemoMode) {
        FinishFill();
        return;
    }
    display_.SetSplashLabel(DumpingText);
    const UserDirectory directory = ReadUserDirectory(state_, link_);
    for (int e = 0; e < FixedPresetCount; ++e) {
        state_.PresetUsed[static_cast<std::size_t>(e)] = true;
        state_.PresetNames[static_cast<std::size_t>(e)] = DefaultPresetNames[static_cast<std::size_t>(e)];
    }
    for (int n = 0; n < UserSlotCount; ++n) {
        const auto i = static_cast<std::size_t>(n + FixedPresetCount);
        const auto slot = static_cast<std::size_t>(n);
        state_.PresetUsed[i] = directory.used[slot];
        state_.PresetNames[i] = directory.used[slot] ? AnsiToString(directory.names[slot]) : EmptyPresetName;
    }
    state_.CurrentPresetName = ReadName(CurrentNameAddress);

    const bool settingsRead = ReadCurrentSettings();
    // After "Time out" the program is ending: nothing more to show or send.
    if (state_.ProgramEnding)
        return;

    FillEditorSuppressed();
    state_.SendSuppressed = false;
    // Settings that were never read are not sent back over the device's own.
    if (settingsRead)
        SendSettingsAfterDump();
    display_.SetMainCaption(QStringLiteral("KSR-704 - Remote Control Software"));
    FinishFill();
}

bool PresetMemory::ReadCurrentSettings()
{
    const bool read = link_.ReadPresetBlock(CurrentSettingsSelector);
    if (read) {
        std::copy_n(state_.RxBuffer.begin(), BlockBytes, state_.PresetImage.begin());
    } else if (!state_.ProgramEnding) {
        // The receive buffer holds nothing of the block: the editor shows
        // the flat preset, as in demo mode, not an image never filled.
        std::copy(FlatPresetImage.begin(), FlatPresetImage.end(), state_.PresetImage.begin());
        dialogs_.ShowMessage({QStringLiteral("The current settings could not be read from the device."),
                              QString::fromLatin1(ApplicationTitle), MessageIcon::Exclamation});
    }
    return read;
}

void PresetMemory::FillEditorSuppressed()
{
    display_.SetEditorVisible(false);
    state_.LinkFlag = 0;
    state_.SendSuppressed = true;
    ApplyPresetImage(state_, controls_, sender_, graph_);
    display_.SetEditorVisible(true);
}

void PresetMemory::SendSettingsAfterDump()
{
    const AutoSearchSettings left = AutoSearchSettingsOf(state_.PresetImage, 0);
    const AutoSearchSettings right = AutoSearchSettingsOf(state_.PresetImage, 1);
    link_.ExchangeCommand(AutoSearchFrame(SearchChannels::Both, left, SearchRun::Off));
    link_.ExchangeCommand(AutoSearchFrame(SearchChannels::Left, left, SearchRun::Off));
    link_.ExchangeCommand(AutoSearchFrame(SearchChannels::Right, right, SearchRun::Off));
}

void PresetMemory::FillDemoPresets()
{
    display_.SetSplashLabel(DumpingText);
    for (int e = 0; e < DirectoryEntries; ++e) {
        const auto i = static_cast<std::size_t>(e);
        state_.PresetUsed[i] = e < FixedPresetCount;
        state_.PresetNames[i] = e < FixedPresetCount ? DefaultPresetNames[i] : EmptyPresetName;
    }
    state_.CurrentPresetName = FlatPresetName;
    std::copy(FlatPresetImage.begin(), FlatPresetImage.end(), state_.PresetImage.begin());
    // Sending stays suppressed until start-up has finished.
    FillEditorSuppressed();
    display_.SetMainCaption(QStringLiteral("KSR-704 - DEMO - Remote Control Software"));
    FinishFill();
}

void PresetMemory::FinishFill()
{
    display_.RestoreMainPointer();
    graph_.RedrawBothChannels();
}

void PresetMemory::ShowPresetTitle()
{
    controls_.SetLabel8Caption(state_.PresetTitle);
}

} // namespace ksr
