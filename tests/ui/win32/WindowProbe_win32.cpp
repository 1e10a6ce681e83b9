// The window probe over real Windows controls: read back with the system's own queries, input
// sent as the messages the keyboard and mouse produce.
#include "tests/ui/WindowProbe.h"

#include <windows.h>

#include <commctrl.h>

#include <map>

namespace UiTesting {

namespace {

HWND native(WindowHandle window) { return reinterpret_cast<HWND>(window); }

// Every range message sent on this thread, counted per window by a hook installed when the
// test program starts, before any control exists.
std::map<HWND, int> &rangeCounts() {
    static std::map<HWND, int> counts;
    return counts;
}

LRESULT CALLBACK countRangeMessages(int code, WPARAM wparam, LPARAM lparam) {
    const auto *sent = reinterpret_cast<const CWPSTRUCT *>(lparam);
    if (code == HC_ACTION && sent->message == PBM_SETRANGE32)
        ++rangeCounts()[sent->hwnd];
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

// The class and styles each window was created with, recorded by a hook as CreateWindowEx
// passes them on; by then the system has decided the window-edge bit itself.
std::map<HWND, Creation> &creations() {
    static std::map<HWND, Creation> created;
    return created;
}

LRESULT CALLBACK recordCreation(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTW &create = *reinterpret_cast<CBT_CREATEWNDW *>(lparam)->lpcs;
        Creation &record = creations()[reinterpret_cast<HWND>(wparam)];
        record.extendedStyle = static_cast<std::uint32_t>(create.dwExStyle);
        record.style = static_cast<std::uint32_t>(create.style);
        // The name as the creator spelled it (an atom has no text).
        if (!IS_INTRESOURCE(create.lpszClass))
            record.className = create.lpszClass;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

const HHOOK rangeHook =
    SetWindowsHookExW(WH_CALLWNDPROC, countRangeMessages, nullptr, GetCurrentThreadId());
const HHOOK creationHook = SetWindowsHookExW(WH_CBT, recordCreation, nullptr, GetCurrentThreadId());

// Pumps until the keyboard messages posted so far are taken: they come before any painting.
void pumpKeyMessages(HWND dialog) {
    MSG waiting;
    while (PeekMessageW(&waiting, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE))
        Kestrel::Platform::pumpOneMessage(reinterpret_cast<WindowHandle>(dialog));
}

} // namespace

Creation creationOf(WindowHandle window) {
    (void)creationHook;
    const auto found = creations().find(native(window));
    return found == creations().end() ? Creation{} : found->second;
}

std::uint32_t style(WindowHandle window) {
    return static_cast<std::uint32_t>(GetWindowLongW(native(window), GWL_STYLE)) & ~WS_VISIBLE;
}

bool visible(WindowHandle window) {
    return (GetWindowLongW(native(window), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string text(WindowHandle window) {
    const int length = GetWindowTextLengthA(native(window));
    std::string result(static_cast<std::size_t>(length) + 1, '\0');
    result.resize(static_cast<std::size_t>(
        GetWindowTextA(native(window), result.data(), static_cast<int>(result.size()))));
    return result;
}

WindowRect placement(WindowHandle window) {
    RECT rect{};
    GetWindowRect(native(window), &rect);
    if (HWND parent = GetParent(native(window)))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT *>(&rect), 2);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

WindowHandle parentOf(WindowHandle window) {
    return reinterpret_cast<WindowHandle>(GetParent(native(window)));
}

int controlId(WindowHandle window) { return GetDlgCtrlID(native(window)); }

FontFacts fontOf(WindowHandle window) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(native(window), WM_GETFONT, 0, 0));
    LOGFONTA facts{};
    if (!font || !GetObjectA(font, sizeof facts, &facts))
        return {};
    return {true,
            {static_cast<int>(facts.lfHeight), static_cast<int>(facts.lfWeight),
             facts.lfItalic != 0, facts.lfUnderline != 0, facts.lfStrikeOut != 0,
             facts.lfFaceName}};
}

int checkState(WindowHandle window) {
    return static_cast<int>(SendMessageW(native(window), BM_GETCHECK, 0, 0));
}

std::pair<int, int> progressRange(WindowHandle window) {
    PBRANGE range{};
    SendMessageW(native(window), PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    return {range.iLow, range.iHigh};
}

int progressPosition(WindowHandle window) {
    return static_cast<int>(SendMessageW(native(window), PBM_GETPOS, 0, 0));
}

int rangeMessages(WindowHandle window) {
    (void)rangeHook;
    const auto found = rangeCounts().find(native(window));
    return found == rangeCounts().end() ? 0 : found->second;
}

void click(WindowHandle window) { SendMessageW(native(window), BM_CLICK, 0, 0); }

void typeText(WindowHandle window, const std::string &characters) {
    SetFocus(native(window));
    for (const char c : characters)
        SendMessageW(native(window), WM_CHAR, static_cast<unsigned char>(c), 1);
}

void returnKeyDown(WindowHandle window) {
    SetFocus(native(window));
    PostMessageW(native(window), WM_KEYDOWN, VK_RETURN, 1);
    pumpKeyMessages(GetAncestor(native(window), GA_ROOT));
}

void returnKeyUp(WindowHandle window) {
    PostMessageW(GetFocus(), WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001));
    pumpKeyMessages(GetAncestor(native(window), GA_ROOT));
}

void focus(WindowHandle window) { SetFocus(native(window)); }

void command(WindowHandle mainWindow, WindowHandle source, int wparam) {
    SendMessageW(native(mainWindow), WM_COMMAND, static_cast<WPARAM>(wparam),
                 reinterpret_cast<LPARAM>(native(source)));
}

void notify(WindowHandle mainWindow, WindowHandle source, int code) {
    NMHDR header{native(source), static_cast<UINT_PTR>(GetDlgCtrlID(native(source))),
                 static_cast<UINT>(code)};
    SendMessageW(native(mainWindow), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void destroy(WindowHandle window) {
    DestroyWindow(native(window));
    // The quit message the main window posts on destruction is not for the next test.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

} // namespace UiTesting
