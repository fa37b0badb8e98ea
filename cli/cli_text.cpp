#include "cli_text.hpp"

#include "talvex/language.hpp"

namespace talvex::cli {

std::string cliText(std::string_view key, std::initializer_list<std::string_view> values) {
    return GetTextWith(key, values);
}

std::string outputRefusalText(const std::string& path, const OutputRule& rule) {
    const OutputRefusal refusal = outputRefusal(path, rule);
    return refusal == OutputRefusal::None ? std::string() : GetText(outputRefusalKey(refusal)) + ": " + path;
}

}  // namespace talvex::cli
