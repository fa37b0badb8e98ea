// Conversion between the UTF-8 used inside the program and GBK, the encoding of the sensor's texts
// and of the settings files. GBK is read and written as GB18030, its superset, so a character outside
// GBK is kept as a four-byte sequence rather than lost. Bytes are never taken as UTF-8 because they
// happen to be valid UTF-8: about 1 900 common characters (为 业 之 韦 伟 ...) have GBK bytes that are.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

// How buffer sizes and value limits are counted: in GBK bytes, or in the bytes of the text itself
// (the language names of setting.ini, which are ASCII).
enum class Codepage { Ascii, Gbk };

// Config.ini is GBK (ASCII being a subset) whatever the language: other readers and earlier versions
// of the program read it so, and its value limits count GBK bytes.
inline constexpr Codepage kConfigCodepage = Codepage::Gbk;

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct DecodedText {
    std::string utf8;
    bool lossy = false;  // some bytes could not be decoded and became U+FFFD
};

// GBK bytes -> UTF-8; a byte sequence that is not GBK becomes U+FFFD and sets lossy.
DecodedText decodeGbk(std::string_view bytes);
// UTF-8 -> GBK bytes; nullopt when the text is not valid UTF-8 (nothing is ever replaced).
std::optional<std::string> encodeGbk(std::string_view utf8);
// Strict GBK -> UTF-8 for input that must not be altered: nullopt at the first byte that is not GBK,
// whose offset goes to *badOffset.
std::optional<std::string> decodeGbkStrict(std::string_view bytes, std::size_t* badOffset = nullptr);

// Text that must be UTF-8 (a file marked with a byte-order mark): invalid sequences become U+FFFD.
DecodedText decodeUtf8(std::string_view bytes);
// Offset of the first byte that is not part of a valid UTF-8 sequence, or npos.
std::size_t firstInvalidUtf8(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);

// Length in bytes of utf8 once encoded in the code page (a byte that is not UTF-8 counts as one).
std::size_t encodedLength(std::string_view utf8, Codepage codepage);

// The longest prefix of utf8 whose encoded form takes at most maxBytes, cut between characters.
std::string cutToEncodedBytes(std::string_view utf8, std::size_t maxBytes, Codepage codepage);

// ASCII-only case folding, as the settings-file functions compare names.
bool equalsNoCase(std::string_view a, std::string_view b);
std::string lowerAscii(std::string_view s);

}  // namespace talvex
