// Frame layouts of the functions the master uses (1-6, 15, 16) and of exception responses.
#include "talvex/diagnostics/frame_decoder.hpp"

#include <cstdio>

#include "talvex/crc16.hpp"

namespace talvex::diagnostics {
namespace {

std::uint16_t word(const std::uint8_t* b) {
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

bool isBitFunction(std::uint8_t f) {
    return f == 1 || f == 2 || f == 5 || f == 15;
}

void unpackBits(const std::uint8_t* data, std::size_t bits, std::vector<std::uint16_t>& out) {
    for (std::size_t i = 0; i < bits; ++i)
        out.push_back(static_cast<std::uint16_t>((data[i / 8] >> (i % 8)) & 1));
}

void decodeRequest(const std::uint8_t* b, std::size_t n, DecodedFrame& d) {
    d.hasAddress = true;
    d.address = word(b + 2);
    switch (d.function) {
        case 1:
        case 2:
        case 3:
        case 4:
            d.count = word(b + 4);
            break;
        case 5:
        case 6:
            d.count = 1;
            d.values.push_back(d.function == 5 ? static_cast<std::uint16_t>(word(b + 4) == 0xFF00)
                                               : word(b + 4));
            break;
        default: {  // 15, 16
            d.count = word(b + 4);
            const std::size_t dataBytes = b[6];
            if (d.function == 16) {
                for (std::size_t i = 0; i + 1 < dataBytes && 7 + i + 1 < n; i += 2)
                    d.values.push_back(word(b + 7 + i));
            } else {
                unpackBits(b + 7, std::min<std::size_t>(d.count, dataBytes * 8), d.values);
            }
        }
    }
}

void decodeResponse(const std::uint8_t* b, DecodedFrame& d) {
    switch (d.function) {
        case 1:
        case 2:
            unpackBits(b + 3, std::size_t(b[2]) * 8, d.values);
            break;
        case 3:
        case 4:
            for (std::size_t i = 0; i + 1 < b[2]; i += 2) d.values.push_back(word(b + 3 + i));
            d.count = static_cast<std::uint16_t>(b[2] / 2);
            break;
        case 5:
        case 6:
            d.hasAddress = true;
            d.address = word(b + 2);
            d.count = 1;
            d.values.push_back(d.function == 5 ? static_cast<std::uint16_t>(word(b + 4) == 0xFF00)
                                               : word(b + 4));
            break;
        default:  // 15, 16: address and quantity written
            d.hasAddress = true;
            d.address = word(b + 2);
            d.count = word(b + 4);
    }
}

bool knownFunction(std::uint8_t f) {
    return (f >= 1 && f <= 6) || f == 15 || f == 16;
}

}  // namespace

std::size_t requestLength(const std::uint8_t* b, std::size_t n) {
    if (n < 2) return 0;
    const std::uint8_t f = b[1];
    if (f >= 1 && f <= 6) return 8;
    if (f == 15 || f == 16) return n >= 7 ? 9u + b[6] : 0;
    return 0;
}

std::size_t responseLength(const std::uint8_t* b, std::size_t n) {
    if (n < 2) return 0;
    const std::uint8_t f = b[1];
    if (f & 0x80) return 5;
    if (f >= 1 && f <= 4) return n >= 3 ? 5u + b[2] : 0;
    if (f == 5 || f == 6 || f == 15 || f == 16) return 8;
    return 0;
}

DecodedFrame decodeFrame(const std::uint8_t* b, std::size_t n, bool asRequest) {
    DecodedFrame d;
    if (b == nullptr || n == 0) return d;
    d.kind = FrameKind::Unknown;
    d.slave = b[0];
    if (n < 2) return d;
    d.function = static_cast<std::uint8_t>(b[1] & 0x7F);
    d.crcOk = crcMatches(b, n);
    if (!knownFunction(d.function) && !(b[1] & 0x80)) return d;
    if (!asRequest && (b[1] & 0x80)) {
        if (n != 5) return d;
        d.kind = FrameKind::Exception;
        d.exceptionCode = b[2];
        return d;
    }
    if (!knownFunction(d.function) || (b[1] & 0x80)) return d;
    if (asRequest) {
        if (requestLength(b, n) != n) return d;
        d.kind = FrameKind::Request;
        decodeRequest(b, n, d);
        return d;
    }
    if (responseLength(b, n) != n) return d;
    d.kind = FrameKind::Response;
    decodeResponse(b, d);
    return d;
}

std::string functionName(std::uint8_t function) {
    switch (function) {
        case 1:
            return "read coils";
        case 2:
            return "read discrete inputs";
        case 3:
            return "read holding registers";
        case 4:
            return "read input registers";
        case 5:
            return "write single coil";
        case 6:
            return "write single register";
        case 15:
            return "write multiple coils";
        case 16:
            return "write multiple registers";
        default:
            break;
    }
    char text[24];
    std::snprintf(text, sizeof text, "function 0x%02X", function);
    return text;
}

std::string exceptionName(std::uint8_t code) {
    switch (code) {
        case 1:
            return "illegal function";
        case 2:
            return "illegal data address";
        case 3:
            return "illegal data value";
        case 4:
            return "slave device failure";
        case 5:
            return "acknowledge";
        case 6:
            return "slave device busy";
        case 7:
            return "negative acknowledge";
        case 8:
            return "memory parity error";
        case 10:
            return "gateway path unavailable";
        case 11:
            return "gateway target device failed to respond";
        default:
            break;
    }
    char text[24];
    std::snprintf(text, sizeof text, "exception 0x%02X", code);
    return text;
}

std::string describe(const DecodedFrame& d) {
    std::string out;
    auto values = [&](const char* unit) {
        out += std::to_string(d.values.size()) + " " + unit + (d.values.size() == 1 ? ":" : "s:");
        for (std::size_t i = 0; i < d.values.size() && i < 8; ++i) out += " " + std::to_string(d.values[i]);
        if (d.values.size() > 8) out += " ...";
    };
    const bool bits = isBitFunction(d.function);
    switch (d.kind) {
        case FrameKind::Empty:
            return "no response";
        case FrameKind::Unknown:
            out = d.function != 0 ? functionName(d.function) + ", unexpected length" : "unreadable";
            break;
        case FrameKind::Exception:
            out =
                "exception " + std::to_string(d.exceptionCode) + " (" + exceptionName(d.exceptionCode) + ")";
            break;
        case FrameKind::Request:
            if (d.function == 5 || d.function == 6) {
                out = functionName(d.function) + " " + std::to_string(d.address) + " = " +
                      std::to_string(d.values[0]);
                break;
            }
            out = functionName(d.function) + " " + std::to_string(d.address) + "+" + std::to_string(d.count);
            if (!d.values.empty()) {
                out += " = ";
                values(bits ? "bit" : "register");
            }
            break;
        case FrameKind::Response:
            if (d.function == 5 || d.function == 6)
                out = "written " + std::to_string(d.address) + " = " + std::to_string(d.values[0]);
            else if (d.hasAddress)
                out = "written " + std::to_string(d.address) + "+" + std::to_string(d.count);
            else
                values(bits ? "bit" : "register");
            break;
    }
    if (!d.crcOk) out += ", bad CRC";
    return out;
}

std::string hexBytes(const std::uint8_t* bytes, std::size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        if (i) out.push_back(' ');
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 15]);
    }
    return out;
}

}  // namespace talvex::diagnostics
