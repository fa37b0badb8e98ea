// Minimal option parser for talvex-cli: "--name value", "--flag", and positional words.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace talvex::cli {

class Args {
public:
    // flagNames lists the options that take no value (--json, --once, ...).
    static std::optional<Args> parse(const std::vector<std::string>& words, const std::set<std::string>& flagNames,
                                     std::string& error);

    bool has(const std::string& name) const;
    std::optional<std::string> value(const std::string& name) const;
    // Parses a whole decimal (or 0x hex) number; sets error text and returns nullopt when malformed.
    std::optional<long> number(const std::string& name, std::string& error) const;
    const std::vector<std::string>& positional() const { return positional_; }

private:
    std::vector<std::pair<std::string, std::string>> options_;  // name without "--", value ("" for flags)
    std::vector<std::string> positional_;
};

}  // namespace talvex::cli
