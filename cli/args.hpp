// Option parser for talvex-cli: "--name value", "--name=value", "--flag", and positional words.
// Each command declares its options in a table; anything outside it, an option given twice or a
// positional word the command does not take is refused before the command touches a port or a file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace talvex::cli {

struct OptionSpec {
    std::string name;        // without "--"
    bool takesValue = true;  // false for flags (--json, --once, ...)
};

struct OptionTable {
    std::vector<OptionSpec> options;
    std::size_t minPositional = 0;
    std::size_t maxPositional = 0;  // words that are not options ("VALUE...", "FILE")
};

class Args {
  public:
    // Strict parse: unknown options, repeated options, a flag given a value, a missing value and
    // positional words outside [minPositional, maxPositional] are errors. "--help" is always known.
    static std::optional<Args> parse(const std::vector<std::string>& words, const OptionTable& table,
                                     std::string& error);

    bool has(const std::string& name) const;
    std::optional<std::string> value(const std::string& name) const;
    // A whole decimal number (hexadecimal only with 0x); a leading zero never means octal. Sets
    // error and returns nullopt when malformed or out of the long range.
    std::optional<long> number(const std::string& name, std::string& error) const;
    const std::vector<std::string>& positional() const { return positional_; }

  private:
    std::vector<std::pair<std::string, std::string>> options_;  // name without "--", value ("" for flags)
    std::vector<std::string> positional_;
};

// The decimal-or-0x rule of Args::number for any text (lists such as "--ids 1,2,010").
std::optional<long> parseWholeNumber(const std::string& text);

}  // namespace talvex::cli
