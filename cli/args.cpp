#include "args.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "cli_text.hpp"

namespace talvex::cli {

std::optional<long> parseWholeNumber(const std::string& text) {
    std::size_t start = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    int base = 10;
    if (text.size() > start + 2 && text[start] == '0' && (text[start + 1] == 'x' || text[start + 1] == 'X'))
        base = 16;
    if (text.size() <= start) return std::nullopt;
    // strtol skips leading blanks and accepts a second sign; neither is a number here.
    if (!std::isxdigit(static_cast<unsigned char>(text[base == 16 ? start + 2 : start]))) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, base);
    if (*end != '\0' || errno == ERANGE) return std::nullopt;
    return v;
}

std::optional<Args> Args::parse(const std::vector<std::string>& words, const OptionTable& table,
                                std::string& error) {
    Args a;
    const auto lookup = [&](const std::string& name) -> const OptionSpec* {
        static const OptionSpec help{"help", false};
        if (name == "help") return &help;
        for (const auto& o : table.options)
            if (o.name == name) return &o;
        return nullptr;
    };
    bool onlyPositional = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (!onlyPositional && w == "--") {
            onlyPositional = true;
            continue;
        }
        if (onlyPositional || w.size() <= 2 || w.rfind("--", 0) != 0) {
            a.positional_.push_back(w);
            continue;
        }
        std::string name = w.substr(2);
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionSpec* s = lookup(name);
        if (!s) {
            error = cliText("IDS_Cli_UnknownOption", {name});
            return std::nullopt;
        }
        if (a.has(name)) {
            error = cliText("IDS_Cli_OptionTwice", {name});
            return std::nullopt;
        }
        if (!s->takesValue) {
            if (inlineValue) {
                error = cliText("IDS_Cli_OptionTakesNoValue", {name});
                return std::nullopt;
            }
            a.options_.emplace_back(name, "");
        } else if (inlineValue) {
            a.options_.emplace_back(name, *inlineValue);
        } else if (i + 1 < words.size()) {
            a.options_.emplace_back(name, words[++i]);
        } else {
            error = cliText("IDS_Cli_OptionNeedsValue", {name});
            return std::nullopt;
        }
    }
    if (a.has("help")) return a;
    if (a.positional_.size() > table.maxPositional) {
        error = cliText("IDS_Cli_UnexpectedWord", {a.positional_[table.maxPositional]});
        return std::nullopt;
    }
    if (a.positional_.size() < table.minPositional) {
        error = cliText("IDS_Cli_MissingArgument");
        return std::nullopt;
    }
    return a;
}

bool Args::has(const std::string& name) const {
    return std::any_of(options_.begin(), options_.end(), [&](const auto& o) { return o.first == name; });
}

std::optional<std::string> Args::value(const std::string& name) const {
    std::optional<std::string> found;
    for (const auto& [n, v] : options_)
        if (n == name) found = v;
    return found;
}

std::optional<long> Args::number(const std::string& name, std::string& error) const {
    auto text = value(name);
    if (!text) return std::nullopt;
    auto v = parseWholeNumber(*text);
    if (!v) error = cliText("IDS_Cli_NotAWholeNumber", {name, *text});
    return v;
}

}  // namespace talvex::cli
