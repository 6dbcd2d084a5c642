#pragma once
// The program-end seam for the real program: leaves Qt's event loop, or, when
// the end comes before the loop runs, tells main() not to enter it.

#include "core/ProgramEnd.h"

namespace ksr {

class QtProgramEnd final : public ProgramEnd {
public:
    void EndProgram(int exitCode) override;
    bool Requested() const { return requested_; }
    int ExitCode() const { return exitCode_; }

private:
    bool requested_ = false;
    int exitCode_ = 0;
};

} // namespace ksr
