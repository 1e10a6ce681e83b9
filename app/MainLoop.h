// The launcher's message loop: one window message or a short sleep, then a tick of the state
// machine, with every error of a pass shown to the user and the loop going on.
#pragma once

#include "platform/Window.h"

#include <functional>
#include <string>
#include <utility>

namespace Kestrel {

class LauncherApp;

class MainLoop {
public:
    // The first line of the box that shows an error of a pass (the second is its message).
    static constexpr const char *ErrorHeading = "An Error Occured.";

    // Ticks app, hands messages to dialogWindow's dialog routine and reads the time from clock
    // (seconds); all must outlive the loop.
    MainLoop(LauncherApp &app, Platform::WindowHandle dialogWindow, std::function<double()> clock);

    // Runs passes until the application asks to quit, or until the same error was shown
    // repeatedErrorLimit times in a row when that limit is set.
    void run();
    // One pass: at most one message, else a 1 ms sleep; then a tick. A std::exception of either
    // is shown in an "An Error Occured." box and the pass ends; once the application is to quit
    // (a transfer cancelled by closing the window) it is only logged.
    void runPass();
    // The transfer's progress callback: at most one message (no sleep) and a tick. Nothing is
    // caught: an error ends the transfer that called it.
    void pumpOnce();
    // The transfers' keep-alive routine, also run while nothing arrives and between retries: at
    // most one message (no tick, so no state starts work inside a transfer), then the stop
    // check. Whether the application is to quit, which cancels the transfer.
    bool keepAlive();

    // Makes run end once the same error text was shown limit times in a row; 0 (the default)
    // retries for ever, as a player expects of the windowed launcher.
    void setRepeatedErrorLimit(unsigned limit) { repeatedErrorLimit = limit; }
    // Asked once per pass; true ends run as a quit request does. Empty: never.
    void setStopCheck(std::function<bool()> check) { stopCheck = std::move(check); }
    // Whether run ended because of the limit.
    bool gaveUp() const { return repeatedErrorLimit != 0 && repeats >= repeatedErrorLimit; }

private:
    void tick();
    void checkStop();
    void showError(const std::string &message);

    LauncherApp &app;
    Platform::WindowHandle dialogWindow;
    std::function<double()> clock;
    std::function<bool()> stopCheck;
    unsigned repeatedErrorLimit = 0;
    std::string lastError;
    unsigned repeats = 0;
};

} // namespace Kestrel
