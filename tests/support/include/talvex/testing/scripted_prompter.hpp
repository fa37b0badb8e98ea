// A core prompter with scripted answers that keeps what it was told and asked. Given a transcript it
// also writes every box into it between the requests ("plain: text", "warning: text", "ask: text",
// "log:line"), so that one assertion shows what the user saw and when.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "talvex/prompter.hpp"
#include "talvex/testing/recording_register_io.hpp"

namespace talvex::testing {

class ScriptedPrompter : public Prompter {
  public:
    ScriptedPrompter() = default;
    explicit ScriptedPrompter(Transcript& transcript) : transcript_(&transcript) {}

    void message(const std::string& text, Icon icon) override {
        messages.push_back(text);
        icons.push_back(icon);
        note((icon == Icon::Warning ? "warning: " : "plain: ") + text);
    }
    bool question(const std::string& text) override {
        questions.push_back(text);
        note("ask: " + text);
        if (answers.empty()) return otherwise;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    // Retry/Cancel: kept apart from the OK/Cancel questions, answered from the same script.
    bool retry(const std::string& text) override {
        retries.push_back(text);
        note("retry: " + text);
        if (answers.empty()) return otherwise;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void log(const std::string& line) override {
        logs.push_back(line);
        note("log:" + line);
    }

    // The messages, a warning with "warning: " in front.
    std::vector<std::string> shown() const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < messages.size(); ++i)
            out.push_back((icons[i] == Icon::Warning ? "warning: " : "") + messages[i]);
        return out;
    }
    void clearMessages() {
        messages.clear();
        icons.clear();
    }

    std::vector<std::string> messages, questions, retries, logs;
    std::vector<Icon> icons;
    std::deque<bool> answers;  // taken in order
    bool otherwise = true;     // the answer once answers is empty (OK)

  private:
    void note(const std::string& line) {
        if (transcript_) transcript_->add(line);
    }
    Transcript* transcript_ = nullptr;
};

}  // namespace talvex::testing
