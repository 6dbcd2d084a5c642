#pragma once
// Ending the program: the real one leaves the event loop and exits, the test
// one records the request so that the test goes on.

namespace ksr {

class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    virtual void EndProgram(int exitCode) = 0;
};

} // namespace ksr
