#include "args.hpp"

#include <cerrno>
#include <cstdlib>

namespace talvex::cli {

std::optional<Args> Args::parse(const std::vector<std::string>& words, const std::set<std::string>& flagNames,
                                std::string& error) {
    Args a;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() > 2 && w.rfind("--", 0) == 0) {
            std::string name = w.substr(2);
            if (auto eq = name.find('='); eq != std::string::npos) {
                a.options_.emplace_back(name.substr(0, eq), name.substr(eq + 1));
            } else if (flagNames.count(name)) {
                a.options_.emplace_back(name, "");
            } else if (i + 1 < words.size()) {
                a.options_.emplace_back(name, words[++i]);
            } else {
                error = "option --" + name + " needs a value";
                return std::nullopt;
            }
        } else {
            a.positional_.push_back(w);
        }
    }
    return a;
}

bool Args::has(const std::string& name) const {
    for (const auto& [n, v] : options_)
        if (n == name) return true;
    return false;
}

std::optional<std::string> Args::value(const std::string& name) const {
    std::optional<std::string> found;
    for (const auto& [n, v] : options_)
        if (n == name) found = v;  // the last one given wins
    return found;
}

std::optional<long> Args::number(const std::string& name, std::string& error) const {
    auto text = value(name);
    if (!text) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text->c_str(), &end, 0);
    if (text->empty() || *end != '\0' || errno == ERANGE) {
        error = "--" + name + " expects a number, got \"" + *text + "\"";
        return std::nullopt;
    }
    return v;
}

}  // namespace talvex::cli
