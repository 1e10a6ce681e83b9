// Every message box of the launcher goes through showMessageBox, so tests can answer them.
#pragma once

#include <functional>
#include <string>

namespace Kestrel::Platform {

// The three kinds of box the launcher shows.
enum class MessageBoxKind {
    OkExclamation,      // OK button, exclamation icon
    OkPlain,            // OK button, no icon
    RetryCancelWarning, // Retry and Cancel buttons, warning icon
};

enum class MessageBoxAnswer { Ok, Retry, Cancel };

// Answers a box in place of the user: (text, caption, kind) -> the button pressed.
using MessageBoxAnswerer =
    std::function<MessageBoxAnswer(const std::string &, const std::string &, MessageBoxKind)>;

// Shows a modal box without owner window and returns the button pressed. text and caption are
// narrow texts, widened byte by byte; "\n" breaks lines. Without an installed answerer, Windows
// shows the real box; elsewhere the box is written to the standard error stream and answered OK
// (Cancel for Retry/Cancel).
MessageBoxAnswer showMessageBox(const std::string &text, const std::string &caption,
                                MessageBoxKind kind);

// Installs answerer for every later box (an empty one restores the default) and returns the one
// it replaces.
MessageBoxAnswerer setMessageBoxAnswerer(MessageBoxAnswerer answerer);

// The main window's title, also the caption of the launcher's own boxes.
constexpr const char *LauncherCaption = "Brightwell Launcher";

} // namespace Kestrel::Platform
