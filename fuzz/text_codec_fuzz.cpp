// The GBK and UTF-8 codec at the edges. What must hold: decoding always yields valid UTF-8; a strict
// decode succeeds exactly when the lenient one loses nothing, and then encodes back to the same bytes;
// valid UTF-8 survives a trip through GBK; lengths and cuts count the bytes the encoding really takes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.hpp"
#include "talvex/text_codec.hpp"

using namespace talvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const DecodedText lenient = decodeGbk(bytes);
    FUZZ_CHECK(isValidUtf8(lenient.utf8));
    std::size_t bad = 0;
    const auto strict = decodeGbkStrict(bytes, &bad);
    FUZZ_CHECK(strict.has_value() == !lenient.lossy);
    if (strict) {
        FUZZ_CHECK(*strict == lenient.utf8);
        const auto back = encodeGbk(*strict);
        FUZZ_CHECK(back && *back == bytes);
    } else {
        FUZZ_CHECK(bad < size);
        FUZZ_CHECK(decodeGbkStrict(bytes.substr(0, bad)).has_value());
    }

    const DecodedText asUtf8 = decodeUtf8(bytes);
    FUZZ_CHECK(isValidUtf8(asUtf8.utf8));
    const std::size_t invalid = firstInvalidUtf8(bytes);
    FUZZ_CHECK(isValidUtf8(bytes) == (invalid == std::string_view::npos));
    FUZZ_CHECK(asUtf8.lossy == !isValidUtf8(bytes));
    if (!asUtf8.lossy) FUZZ_CHECK(asUtf8.utf8 == bytes);

    if (isValidUtf8(bytes)) {
        const auto gbk = encodeGbk(bytes);
        FUZZ_CHECK(gbk.has_value());
        FUZZ_CHECK(decodeGbkStrict(*gbk) == std::string(bytes));
        FUZZ_CHECK(encodedLength(bytes, Codepage::Gbk) == gbk->size());
        const std::size_t limit = size ? data[0] % (gbk->size() + 1) : 0;
        const std::string cut = cutToEncodedBytes(bytes, limit, Codepage::Gbk);
        FUZZ_CHECK(bytes.starts_with(cut) && isValidUtf8(cut));
        FUZZ_CHECK(encodedLength(cut, Codepage::Gbk) <= limit);
    } else {
        FUZZ_CHECK(!encodeGbk(bytes).has_value());
    }
    const std::string cut = cutToEncodedBytes(bytes, size / 2, Codepage::Ascii);
    FUZZ_CHECK(bytes.starts_with(cut) && encodedLength(cut, Codepage::Ascii) <= size / 2);

    const std::string lower = lowerAscii(bytes);
    FUZZ_CHECK(lower.size() == size && equalsNoCase(lower, bytes));
    return 0;
}
