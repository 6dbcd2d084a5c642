#pragma once
// The operations without a window, for the fuzz targets whose code under
// test has none: the tests' serial link to the simulated device on port 1
// (in-process port, virtual clock, scripted dialogs), the editor's controls
// in memory, and curves and windows that do nothing. One instance for the
// fuzzer's process, started as the program starts against a device: the
// memory dump fills the editor.

#include "support/LinkRig.h"

#include "operations/MemoryControls.h"
#include "operations/Notifications.h"
#include "operations/ParameterSending.h"
#include "operations/PresetFiles.h"
#include "operations/PresetMemory.h"

namespace ksr::fuzz {

struct FuzzRig : test::LinkRig {
    MemoryControls controls;
    NoCurves graph;
    NoWindows windows;
    ParameterSender sender{state, link, controls};
    PresetMemory presets{state, link, controls, sender, graph, windows, dialogs};
    PresetFiles presetFiles{state, controls, sender, graph, dialogs};
    ReportTakeIn reports{state, link, controls, sender, graph};
    AppState startState;
    MemoryControls startControls;

    // Runs the start-up dump on the open port, as the program does once the
    // search has found the device.
    FuzzRig()
    {
        presets.DumpDeviceMemory();
        state.SendSuppressed = false;
        startState = state;
        startControls = controls;
        EndRun();
    }

    // Puts the state and the editor back as start-up left them, for a run
    // that leaves parts of them changed: the next input then does the same
    // whatever ran before it, and the run frees what it made (libFuzzer
    // takes a run that keeps memory for a possible leak and checks the
    // whole heap, which costs more than the run).
    void RestoreStart()
    {
        state = startState;
        controls = startControls;
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
