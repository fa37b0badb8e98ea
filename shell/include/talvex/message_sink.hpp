// How the core shell reports to the user: the GUI shows message boxes and log-box lines, the CLI
// prints them. Either callback may be empty.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace talvex {

// Notice: something the user must learn about a file (read-only, unreadable, left unconverted); a
// front end shows each notice text once, not on every save.
enum class MessageKind { Info, Warning, Error, Notice };

struct MessageSink {
    std::function<void(MessageKind kind, std::string_view text)> message;  // a message box
    std::function<void(std::string_view line)> log;                        // one line of the log box

    void show(MessageKind kind, std::string_view text) const {
        if (message) message(kind, text);
    }
    void logLine(std::string_view line) const {
        if (log) log(line);
    }
    // A notice in the active language (already looked up) with the reason after it, shown and logged.
    void notice(const std::string& text, const std::string& reason = {}) const {
        const std::string full = reason.empty() ? text : text + " (" + reason + ")";
        show(MessageKind::Notice, full);
        logLine(full);
    }
};

}  // namespace talvex
