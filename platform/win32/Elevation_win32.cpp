// The elevated copy on Windows: the shell's "runas" verb brings up the elevation prompt, and the
// copy's process handle is waited on.
#include "platform/NativeElevation.h"

#include "platform/win32/WideText.h"

#include <windows.h>

#include <shellapi.h>

namespace Kestrel::Platform {

const char *const LauncherProgramFile = "Brightwell.exe";

namespace {

// SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI: keep the handle, return only
// once the start is decided, and let the shell show no error box of its own.
constexpr ULONG RelaunchMask = 0x540;

HANDLE handleOf(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

} // namespace

ElevatedProcess::ElevatedProcess(std::intptr_t native) : native(native) {}

ElevatedProcess::~ElevatedProcess() { CloseHandle(handleOf(native)); }

bool ElevatedProcess::waitForEnd() {
    if (!ended && WaitForSingleObject(handleOf(native), INFINITE) == WAIT_OBJECT_0) {
        DWORD status = 0;
        code = GetExitCodeProcess(handleOf(native), &status) ? status : 0;
        ended = true;
    }
    return ended;
}

long ElevatedProcess::processId() const {
    return static_cast<long>(GetProcessId(handleOf(native)));
}

ElevationResult startLauncherCopy(const std::string &parameters, WindowHandle owner, bool prompt) {
    // Wide copies that outlive the call.
    const std::wstring file = widen(LauncherProgramFile);
    const std::wstring wideParameters = widen(parameters);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = RelaunchMask;
    info.hwnd = reinterpret_cast<HWND>(owner);
    info.lpVerb = prompt ? L"runas" : L"open";
    info.lpFile = file.c_str();
    info.lpParameters = wideParameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    ElevationResult result;
    if (!ShellExecuteExW(&info)) {
        result.error = GetLastError();
        return result;
    }
    result.started = true;
    if (info.hProcess)
        result.process =
            std::make_unique<ElevatedProcess>(reinterpret_cast<std::intptr_t>(info.hProcess));
    return result;
}

} // namespace Kestrel::Platform
