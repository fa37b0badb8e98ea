#include "cli_prompter.hpp"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli_text.hpp"
#include "command_start.hpp"

namespace talvex::cli {

QuestionPolicy questionPolicy(const Args& args) {
    if (args.has("yes")) return QuestionPolicy::Yes;
    return ::isatty(STDIN_FILENO) ? QuestionPolicy::Terminal : QuestionPolicy::Refuse;
}

bool questionsAnswerable(std::string_view command, QuestionPolicy policy, int& exitCode) {
    if (policy != QuestionPolicy::Refuse) return true;
    exitCode = fail(command, cliText("IDS_Cli_YesNeeded"), kExitUsage);
    return false;
}

CliPrompter::CliPrompter(std::string_view command, QuestionPolicy policy, Shown shown)
    : command_(command), policy_(policy), shown_(shown) {}

void CliPrompter::print(const std::string& text) const {
    std::fprintf(stderr, "talvex-cli %s: %s\n", command_.c_str(), text.c_str());
    std::fflush(stderr);
}

void CliPrompter::message(const std::string& text, Icon icon) {
    messages_.push_back(text);
    const bool failure = icon == Icon::Warning || icon == Icon::Stop;
    if (!failure && shown_ == Shown::FailuresOnly) return;
    print(failure ? cliText("IDS_Cli_Warning", {text}) : text);
}

bool CliPrompter::question(const std::string& text) {
    switch (policy_) {
        case QuestionPolicy::Yes:
            print(text + " [y/N] y");
            return true;
        case QuestionPolicy::Terminal: {
            std::fprintf(stderr, "talvex-cli %s: %s [y/N] ", command_.c_str(), text.c_str());
            std::fflush(stderr);
            std::string answer;
            if (!std::getline(std::cin, answer)) return false;
            return answer == "y" || answer == "Y" || answer == "yes";
        }
        case QuestionPolicy::Refuse:
            break;
    }
    print(text);
    print(cliText("IDS_Cli_YesNeeded"));
    return false;
}

bool CliPrompter::waitForEnter(const std::string& text) {
    if (policy_ == QuestionPolicy::Yes) return true;
    print(text);
    if (policy_ == QuestionPolicy::Refuse) {
        print(cliText("IDS_Cli_YesNeeded"));
        return false;
    }
    std::string line;
    return static_cast<bool>(std::getline(std::cin, line));
}

void CliPrompter::log(const std::string& line) {
    print(line);
}

}  // namespace talvex::cli
