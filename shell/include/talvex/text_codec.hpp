// Conversion between the UTF-8 used inside the program and the code page of the settings files.
// Files are GBK (written as GB18030, its superset, so no character is lost) while the Chinese
// table is active and ASCII otherwise; text outside ASCII in an English file is kept as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "talvex/language.hpp"

namespace talvex {

enum class Codepage { Ascii, Gbk };

Codepage codepageFor(Language language);
// Config.ini is GBK (ASCII being a subset) whatever the language: other readers and earlier versions
// of the program read it so, and its value limits count GBK bytes.
inline constexpr Codepage kConfigCodepage = Codepage::Gbk;

struct DecodedText {
    std::string utf8;
    bool lossy = false;  // some bytes were neither UTF-8 nor GBK and became U+FFFD
};

// Decodes file bytes whatever the active language: valid UTF-8 (and so ASCII) is taken as is,
// otherwise GBK; bytes that fit neither are replaced. The file may predate a language switch.
DecodedText decodeFileText(std::string_view bytes);

// Encodes UTF-8 text for a file in the given code page. Characters GBK cannot hold are
// written as GB18030 four-byte sequences rather than dropped.
std::string encodeFileText(std::string_view utf8, Codepage codepage);

// Length in bytes of utf8 once encoded in the code page.
std::size_t encodedLength(std::string_view utf8, Codepage codepage);

// The longest prefix of utf8 whose encoded form takes at most maxBytes, cut between characters.
std::string cutToEncodedBytes(std::string_view utf8, std::size_t maxBytes, Codepage codepage);

bool isValidUtf8(std::string_view bytes);

// ASCII-only case folding, as the settings-file functions compare names.
bool equalsNoCase(std::string_view a, std::string_view b);
std::string lowerAscii(std::string_view s);

}  // namespace talvex
