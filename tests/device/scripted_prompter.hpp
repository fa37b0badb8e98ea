// A core prompter with scripted answers (OK when the script is empty) that keeps what was shown.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "talvex/prompter.hpp"

namespace talvex::device::testing {

class ScriptedPrompter : public talvex::Prompter {
  public:
    void message(const std::string& text, Icon icon) override {
        messages.push_back(text);
        icons.push_back(icon);
    }
    bool question(const std::string& text) override {
        questions.push_back(text);
        if (answers.empty()) return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<std::string> messages, questions;
    std::vector<Icon> icons;
    std::deque<bool> answers;
};

}  // namespace talvex::device::testing
