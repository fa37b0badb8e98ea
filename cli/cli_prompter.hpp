// The one prompter of talvex-cli: a core operation's messages go to stderr as "talvex-cli CMD: text",
// and its questions are answered by the command's question policy. A command that will ask calls
// questionsAnswerable() before it opens a port, so that a script without --yes is refused (exit 2)
// before anything is sent rather than half way through a write.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "args.hpp"
#include "talvex/prompter.hpp"

namespace talvex::cli {

enum class QuestionPolicy {
    Yes,       // --yes: every question is answered yes (and shown with its answer)
    Terminal,  // standard input is a terminal: the user answers y or n
    Refuse,    // neither: a question cannot be answered
};

// --yes, else whether standard input is a terminal.
QuestionPolicy questionPolicy(const Args& args);

// False with exitCode 2 and the refusal on stderr when the policy cannot answer a question.
bool questionsAnswerable(std::string_view command, QuestionPolicy policy, int& exitCode);

class CliPrompter final : public Prompter {
  public:
    enum class Shown { Everything, FailuresOnly };
    explicit CliPrompter(std::string_view command, QuestionPolicy policy = QuestionPolicy::Refuse,
                         Shown shown = Shown::Everything);

    void message(const std::string& text, Icon icon = Icon::Information) override;
    bool question(const std::string& text) override;
    void log(const std::string& line) override;

    // A pause of the command itself ("press Enter to go on"): shown and waited for on a terminal,
    // passed at once with --yes; false when it cannot be answered or the input ended.
    bool waitForEnter(const std::string& text);
    // Every message shown so far, in order, without its prefix.
    const std::vector<std::string>& messages() const { return messages_; }

  private:
    void print(const std::string& text) const;

    std::string command_;
    QuestionPolicy policy_;
    Shown shown_;
    std::vector<std::string> messages_;
};

}  // namespace talvex::cli
