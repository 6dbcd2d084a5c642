#include "operations/PresetMemory.h"

#include "core/AnsiText.h"
#include "core/Protocol.h"

#include <algorithm>

namespace ksr {

namespace {

const QString DumpingText = QStringLiteral("Dumping memory: please wait ");

} // namespace

PresetMemory::PresetMemory(AppState &state, SerialLink &link, PresetModel &model, DumpDisplay &display,
                           UserDialogs &dialogs)
    : state_(state), link_(link), model_(model), display_(display), dialogs_(dialogs)
{
}

void PresetMemory::DumpDeviceMemory()
{
    if (state_.DemoMode) {
        FinishFill();
        return;
    }
    display_.SetSplashLabel(DumpingText);
    std::optional<BlockArray> block;
    // After "Time out" nothing more is shown or sent.
    if (!ReadDirectoryAndBlock(&block))
        return;
    TakeCurrentSettings(block);
    // Settings that were never read are not sent back over the device's own.
    if (block)
        SendSettingsAfterDump(model_.Image());
    display_.SetMainCaption(QStringLiteral("KSR-704 - Remote Control Software"));
    FinishFill();
}

std::optional<PresetImageArray> PresetMemory::DumpOnReturn()
{
    std::optional<BlockArray> block;
    if (!ReadDirectoryAndBlock(&block) || !block)
        return std::nullopt;
    // The device's settings as the model holds a dump: clamped, and the
    // automatic rows at their channel's automatic width, which the device
    // gives them itself once it has the frames below.
    PresetModel taken;
    PresetImageArray image = model_.Image();
    std::copy(block->begin(), block->end(), image.begin());
    taken.LoadPreset(image, ChangeOrigin::DeviceDump);
    // The same frames as at start-up, with the device's own settings: a
    // search the device may still run is stopped.
    SendSettingsAfterDump(taken.Image());
    if (DeviceGone(state_))
        return std::nullopt;
    return taken.Image();
}

bool PresetMemory::ReadDirectoryAndBlock(std::optional<BlockArray> *block)
{
    // The current name and settings are read before the directory's answers
    // are settled, so that a sound dump sends exactly the frames of a plain
    // one and waits for a quiet line only once, after the block.
    MemoryReader reader(state_, link_, ReadCheck::Sound);
    int currentNameAt = 0;
    quint64 blockSerial = 0;
    const std::optional<UserDirectory> directory = ReadUserDirectory(reader, [&] {
        currentNameAt = reader.Read(CurrentNameAddress, NameLength);
        if (!DeviceGone(state_) && link_.ReadPresetBlock(CurrentSettingsSelector)) {
            block->emplace();
            std::copy_n(link_.RxBuffer().begin(), BlockBytes, (*block)->begin());
            blockSerial = link_.LastAnswerSerial();
        }
    });
    if (directory && *block && link_.Unsound(blockSerial))
        *block = ReadPresetBlockSoundly(state_, link_, CurrentSettingsSelector, ReadCheck::Sound);
    if (!directory || DeviceGone(state_))
        return false;

    for (int e = 0; e < FixedPresetCount; ++e) {
        state_.PresetUsed[static_cast<std::size_t>(e)] = true;
        state_.PresetNames[static_cast<std::size_t>(e)] = DefaultPresetNames[static_cast<std::size_t>(e)];
    }
    for (int n = 0; n < UserSlotCount; ++n) {
        const auto i = static_cast<std::size_t>(n + FixedPresetCount);
        const auto slot = static_cast<std::size_t>(n);
        state_.PresetUsed[i] = directory->used[slot];
        state_.PresetNames[i] = directory->used[slot] ? AnsiToString(directory->names[slot]) : EmptyPresetName;
    }
    state_.CurrentPresetName = AnsiToString(reader.Values(currentNameAt, NameLength));
    return true;
}

void PresetMemory::TakeCurrentSettings(const std::optional<BlockArray> &block)
{
    PresetImageArray image = model_.Image();
    if (block) {
        std::copy(block->begin(), block->end(), image.begin());
        FillEditor(image);
        return;
    }
    // Nothing of the block was taken: the editor shows the flat preset, as
    // in demo mode, not an image never filled.
    dialogs_.ShowMessage({QStringLiteral("The current settings could not be read from the device."),
                          QString::fromLatin1(ApplicationTitle), MessageIcon::Exclamation});
    FillFlatPreset();
}

void PresetMemory::FillFlatPreset()
{
    PresetImageArray image = model_.Image();
    std::copy(FlatPresetImage.begin(), FlatPresetImage.end(), image.begin());
    FillEditor(image);
}

void PresetMemory::FillEditor(const PresetImageArray &image)
{
    display_.SetEditorVisible(false);
    model_.LoadPreset(image, ChangeOrigin::DeviceDump);
    display_.SetEditorVisible(true);
}

void PresetMemory::SendSettingsAfterDump(const PresetImageArray &image)
{
    const AutoSearchSettings left = AutoSearchSettingsOf(image, 0);
    const AutoSearchSettings right = AutoSearchSettingsOf(image, 1);
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
    FillFlatPreset();
    display_.SetMainCaption(QStringLiteral("KSR-704 - DEMO - Remote Control Software"));
    FinishFill();
}

void PresetMemory::FinishFill()
{
    display_.RestoreMainPointer();
}

} // namespace ksr
