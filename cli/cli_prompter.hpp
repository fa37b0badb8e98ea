// The prompter of the command-line sensor operations: messages go to stderr, and every question is
// answered OK (the options on the command line are the user's consent), shown on stderr too.
#pragma once

#include <cstdio>
#include <string>

#include "talvex/prompter.hpp"

namespace talvex::cli {

class StderrPrompter final : public Prompter {
  public:
    explicit StderrPrompter(std::string command) : command_(std::move(command)) {}
    void message(const std::string& text, Icon) override {
        std::fprintf(stderr, "%s: %s\n", command_.c_str(), text.c_str());
    }
    bool question(const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", command_.c_str(), text.c_str());
        return true;
    }

  private:
    std::string command_;
};

}  // namespace talvex::cli
