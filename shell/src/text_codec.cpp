// iconv (glibc) at the file edge; everything inside is UTF-8.
#include "talvex/text_codec.hpp"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace talvex {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

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
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
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

    // Converts in; on a bad sequence either fails (strict) or emits `replacement` and skips a byte.
    bool convert(std::string_view in, std::string& out, bool strict, std::string_view replacement,
                 bool* replaced = nullptr) {
        out.clear();
        if (!ok()) return false;
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
            if (strict) return false;
            out += replacement;  // EILSEQ or an incomplete tail
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

std::string lossyUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = utf8SequenceLength(s, i);
        if (len == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(s.substr(i, len));
            i += len;
        }
    }
    return out;
}

// Byte length of the GB18030 character starting at s[i].
std::size_t gbCharLength(std::string_view s, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80 || i + 1 >= s.size()) return 1;
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    if (b1 >= 0x30 && b1 <= 0x39) return i + 4 <= s.size() ? 4 : s.size() - i;
    return 2;
}

}  // namespace

Codepage codepageFor(Language language) {
    return language == Language::Chinese ? Codepage::Gbk : Codepage::Ascii;
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = utf8SequenceLength(bytes, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

DecodedText decodeFileText(std::string_view bytes) {
    if (isValidUtf8(bytes)) return {std::string(bytes), false};
    Iconv fromGb("UTF-8", "GB18030");
    std::string out;
    if (fromGb.convert(bytes, out, true, kReplacement)) return {out, false};
    bool replaced = false;
    if (fromGb.convert(bytes, out, false, kReplacement, &replaced)) return {out, true};
    return {lossyUtf8(bytes), true};
}

std::string encodeFileText(std::string_view utf8, Codepage codepage) {
    if (codepage == Codepage::Ascii || isAscii(utf8)) return std::string(utf8);
    Iconv toGb("GB18030", "UTF-8");
    std::string out;
    if (toGb.convert(utf8, out, false, "?")) return out;
    return std::string(utf8);
}

std::size_t encodedLength(std::string_view utf8, Codepage codepage) {
    if (codepage == Codepage::Ascii || isAscii(utf8)) return utf8.size();
    return encodeFileText(utf8, codepage).size();
}

std::string cutToEncodedBytes(std::string_view utf8, std::size_t maxBytes, Codepage codepage) {
    if (codepage == Codepage::Ascii || isAscii(utf8)) {
        if (utf8.size() <= maxBytes) return std::string(utf8);
        std::size_t end = 0;
        for (std::size_t i = 0; i < utf8.size();) {
            std::size_t len = utf8SequenceLength(utf8, i);
            if (len == 0) len = 1;
            if (i + len > maxBytes) break;
            i += len;
            end = i;
        }
        return std::string(utf8.substr(0, end));
    }
    const std::string encoded = encodeFileText(utf8, codepage);
    if (encoded.size() <= maxBytes) return std::string(utf8);
    std::size_t end = 0;
    for (std::size_t i = 0; i < encoded.size();) {
        const std::size_t len = gbCharLength(encoded, i);
        if (i + len > maxBytes) break;
        i += len;
        end = i;
    }
    Iconv fromGb("UTF-8", "GB18030");
    std::string out;
    fromGb.convert(std::string_view(encoded).substr(0, end), out, false, kReplacement);
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
