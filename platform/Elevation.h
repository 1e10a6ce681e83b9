// Starting a second copy of the launcher with administrator rights, through the system's
// elevation prompt, and waiting for that copy to end. Tests answer the prompt in the user's place.
#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Kestrel::Platform {

// The launcher's program file, named bare and found in the current folder: "Brightwell.exe" on
// Windows, "brightwell" elsewhere.
extern const char *const LauncherProgramFile;

// The error a refused prompt reports (the Windows code for a cancelled operation); also what
// systems without an elevation helper report.
constexpr unsigned long PromptRefused = 1223;

// The running elevated copy; owns the system's handle on it. The copy itself is not stopped when
// its owner goes.
class ElevatedProcess {
public:
    // Takes over native: a process handle on Windows, a child process id elsewhere.
    explicit ElevatedProcess(std::intptr_t native);
    ~ElevatedProcess();
    ElevatedProcess(const ElevatedProcess &) = delete;
    ElevatedProcess &operator=(const ElevatedProcess &) = delete;

    // Blocks without time limit until the copy has ended: true then, and at once on every later
    // call. False when the wait itself failed; it may be tried again.
    bool waitForEnd();
    // The copy's exit code once waitForEnd returned true (on POSIX systems 128 plus the signal
    // that ended it); 0 before, and when the system cannot tell.
    unsigned long exitCode() const { return code; }
    // The system's process id of the copy.
    long processId() const;

private:
    std::intptr_t native;
    bool ended = false;
    unsigned long code = 0;
};

struct ElevationResult {
    // Whether the system started the copy; error is the system's code when it did not.
    bool started = false;
    unsigned long error = 0;
    // The started copy; may be null when the system started it without handing out a handle.
    std::unique_ptr<ElevatedProcess> process;
};

// Starts LauncherProgramFile from the current folder with parameters (split at blanks, nothing
// quoted) through the elevation prompt, owned by window owner (may be null). Never throws.
ElevationResult startElevated(const std::string &parameters, WindowHandle owner);

// The user's side of the prompt, for tests: Accept starts the copy with the same parameters but
// without a prompt (and without new rights), Decline refuses as a user would (PromptRefused).
enum class ElevationAnswer { Accept, Decline };
using ElevationAnswerer = std::function<ElevationAnswer(const std::string &parameters)>;
// Installs answerer for every later start (an empty one restores the real prompt) and returns the
// one it replaces.
ElevationAnswerer setElevationAnswerer(ElevationAnswerer answerer);

} // namespace Kestrel::Platform
