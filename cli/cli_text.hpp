// The words talvex-cli writes to stderr come from the language table (keys IDS_Cli_*, fragments
// shell/src/tables/cli_<language>.cpp); values are filled into %1..%9 as in every other fragment, so
// a translation may put them in its own order. Usage lines, option names and stdout stay as they are.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "talvex/output_file.hpp"
#include "talvex/port_open_failure.hpp"

namespace talvex::cli {

// The active language's text of key with %1, %2, ... replaced by values.
std::string cliText(std::string_view key, std::initializer_list<std::string_view> values = {});

// Why the output-file rule refuses path, as "text: path"; empty when the file may be written.
std::string outputRefusalText(const std::string& path, const OutputRule& rule);

// RTUResultText(result) in the active language ("no complete response (time-out)").
std::string linkResultText(int result);

// openFailureMessage in the active language: why a port would not open and what to do about it.
std::string portOpenFailureText(PortOpenFailure reason, std::string_view device,
                                std::string_view holder = {});

}  // namespace talvex::cli
