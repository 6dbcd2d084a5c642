#pragma once
// The operations without a window, for the fuzz targets whose code under
// test has none: the tests' serial link to the simulated device on port 1
// (in-process port, virtual clock, scripted dialogs), the model of both
// channels, and windows that do nothing. One instance for the fuzzer's
// process, started as the program starts against a device: the memory dump
// fills the model.

#include "support/LinkRig.h"

#include "operations/DumpDisplay.h"
#include "operations/Notifications.h"
#include "operations/ParameterSending.h"
#include "operations/PresetFiles.h"
#include "operations/PresetMemory.h"
#include "operations/PresetModel.h"

namespace ksr::fuzz {

struct FuzzRig : test::LinkRig {
    PresetModel model;
    NoWindows windows;
    ParameterSender sender{link, model};
    PresetMemory presets{state, link, model, windows, dialogs};
    PresetFiles presetFiles{state, model, sender, dialogs};
    ReportTakeIn reports{state, link, model};
    AppState startState;
    PresetValues startValues;

    // Runs the start-up dump on the open port, as the program does once the
    // search has found the device.
    FuzzRig()
    {
        presets.DumpDeviceMemory();
        state.SendSuppressed = false;
        startState = state;
        startValues = model.Values();
        EndRun();
    }

    // Puts the state and the model back as start-up left them, for a run
    // that leaves parts of them changed: the next input then does the same
    // whatever ran before it, and the run frees what it made (libFuzzer
    // takes a run that keeps memory for a possible leak and checks the
    // whole heap, which costs more than the run).
    void RestoreStart()
    {
        state = startState;
        model.SetValues(startValues.PresetImage, startValues.LinkFlag != 0, startValues.PresetSource,
                        startValues.PresetName, ChangeOrigin::DeviceDump);
    }

    // Forgets what the port, the device, the dialogs and the program end
    // record for tests, which would otherwise grow run after run.
    void EndRun()
    {
        port.ClearWrites();
        device.ClearReceivedFrames();
        dialogs.messages.clear();
        end.exitCodes.clear();
    }
};

// The rig every run of a target uses, made before the first input.
inline FuzzRig &SharedRig()
{
    static FuzzRig rig;
    return rig;
}

} // namespace ksr::fuzz

// Builds the rig before the first input, so that its start-up does not
// count as what an input reached.
extern "C" inline int LLVMFuzzerInitialize(int *, char ***)
{
    ksr::fuzz::SharedRig();
    return 0;
}
