#include "cli_text.hpp"

#include "talvex/language.hpp"

namespace talvex::cli {

std::string cliText(std::string_view key, std::initializer_list<std::string_view> values) {
    return GetTextWith(key, values);
}

}  // namespace talvex::cli
