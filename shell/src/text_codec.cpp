// iconv (glibc) at the edges; everything inside is UTF-8.
#include "talvex/text_codec.hpp"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace talvex {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr std::size_t npos = static_cast<std::size_t>(-1);

// Length of the UTF-8 sequence starting at s[i], 0 when it is not a valid one.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) return 1;
    std::size_t len = 0;
    unsigned lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    if (b1 < lo || b1 > hi) return 0;
    for (std::size_t k = 2; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if (b < 0x80 || b > 0xBF) return 0;
    }
    return len;
}

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts in. A sequence that cannot be converted (or an incomplete tail) either ends the
    // conversion (onBad null; *stoppedAt = its offset) or is replaced by onBad(out) and skipped a byte
    // at a time.
    bool convert(std::string_view in, std::string& out, std::string_view* onBad = nullptr,
                 bool* replaced = nullptr, std::size_t* stoppedAt = nullptr) {
        out.clear();
        if (!ok()) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::vector<char> buf(std::min<std::size_t>(in.size() * 4 + 16, 64 * 1024));  // refilled on E2BIG
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        while (inLeft > 0) {
            char* outPtr = buf.data();
            std::size_t outLeft = buf.size();
            const std::size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buf.data(), buf.size() - outLeft);
            if (rc != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) continue;
            if (!onBad) {
                if (stoppedAt) *stoppedAt = static_cast<std::size_t>(inPtr - in.data());
                return false;
            }
            out += *onBad;  // EILSEQ or an incomplete tail
            if (replaced) *replaced = true;
            ++inPtr;
            --inLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

  private:
    iconv_t cd_;
};

// Calls each(characterBytes, encodedLength) for every character of utf8 in turn until it returns
// false; a byte that starts no valid UTF-8 sequence is a character of its own, one byte long.
template <class Each>
void walkEncoded(std::string_view utf8, Codepage codepage, Each each) {
    Iconv toGb("GB18030", "UTF-8");
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len = utf8SequenceLength(utf8, i);
        std::size_t encoded = 1;
        if (len == 0) {
            len = 1;
        } else if (len > 1) {
            encoded =
                codepage == Codepage::Ascii || !toGb.convert(utf8.substr(i, len), out) ? len : out.size();
        }
        if (!each(utf8.substr(i, len), encoded)) return;
        i += len;
    }
}

}  // namespace

DecodedText decodeGbk(std::string_view bytes) {
    if (isAscii(bytes)) return {std::string(bytes), false};
    Iconv fromGb("UTF-8", "GB18030");
    DecodedText d;
    std::string_view replacement = kReplacement;
    if (!fromGb.convert(bytes, d.utf8, &replacement, &d.lossy)) return decodeUtf8(bytes);  // no converter
    return d;
}

std::optional<std::string> decodeGbkStrict(std::string_view bytes, std::size_t* badOffset) {
    if (isAscii(bytes)) return std::string(bytes);
    Iconv fromGb("UTF-8", "GB18030");
    std::string out;
    std::size_t at = 0;
    if (fromGb.convert(bytes, out, nullptr, nullptr, &at)) return out;
    if (badOffset) *badOffset = at;
    return std::nullopt;
}

std::optional<std::string> encodeGbk(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    if (!isValidUtf8(utf8)) return std::nullopt;
    Iconv toGb("GB18030", "UTF-8");
    std::string out;
    if (!toGb.convert(utf8, out)) return std::nullopt;
    return out;
}

DecodedText decodeUtf8(std::string_view bytes) {
    DecodedText d;
    d.utf8.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = utf8SequenceLength(bytes, i);
        if (len == 0) {
            d.utf8 += kReplacement;
            d.lossy = true;
            ++i;
        } else {
            d.utf8.append(bytes.substr(i, len));
            i += len;
        }
    }
    return d;
}

std::size_t firstInvalidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = utf8SequenceLength(bytes, i);
        if (len == 0) return i;
        i += len;
    }
    return npos;
}

bool isValidUtf8(std::string_view bytes) {
    return firstInvalidUtf8(bytes) == npos;
}

std::size_t encodedLength(std::string_view utf8, Codepage codepage) {
    if (codepage == Codepage::Ascii || isAscii(utf8)) return utf8.size();
    std::size_t total = 0;
    walkEncoded(utf8, codepage, [&](std::string_view, std::size_t n) {
        total += n;
        return true;
    });
    return total;
}

std::string cutToEncodedBytes(std::string_view utf8, std::size_t maxBytes, Codepage codepage) {
    if (codepage == Codepage::Ascii || isAscii(utf8)) {
        if (utf8.size() <= maxBytes) return std::string(utf8);
        if (isAscii(utf8)) return std::string(utf8.substr(0, maxBytes));
    }
    std::string out;
    std::size_t used = 0;
    walkEncoded(utf8, codepage, [&](std::string_view character, std::size_t n) {
        if (used + n > maxBytes) return false;
        used += n;
        out.append(character);
        return true;
    });
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

}  // namespace talvex
