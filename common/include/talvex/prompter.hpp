// How core operations talk to the user: messages, OK/Cancel and Retry/Cancel questions and progress. Texts
// arrive already in the active language (looked up through the language table by the operation). The window
// shows dialogs (asked from the link worker, answered on the UI thread), the CLI prints to stderr and answers
// from its options, tests script answers and read what was shown.
#pragma once

#include <string>

namespace talvex {

class Prompter {
  public:
    enum class Icon { Information, Warning, Stop, Question };
    virtual ~Prompter() = default;
    virtual void message(const std::string& text, Icon icon = Icon::Information) = 0;
    // True for OK / Yes.
    virtual bool question(const std::string& text) = 0;
    // A failure offered with Retry and Cancel; true for Retry. A prompter without buttons of its own
    // asks it as a question.
    virtual bool retry(const std::string& text) { return question(text); }
    // 0..100 for long operations; optional.
    virtual void progress(int /*percent*/) {}
    // A log line for the main window's log box (or stderr); optional.
    virtual void log(const std::string& /*line*/) {}
};

}  // namespace talvex
