// Slave-side framing: how long a request is, what it asks, and the reply bytes.
#include "talvex/sim/frame_codec.hpp"

#include "talvex/crc16.hpp"

namespace talvex::sim {

int expectedRequestLength(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    switch (data[1]) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
            return 8;
        case 15:
        case 16:
            return size < 7 ? 0 : 9 + data[6];
        default:
            return -1;
    }
}

Request decodeRequest(const std::vector<std::uint8_t>& frame) {
    Request r;
    r.slave = frame.at(0);
    r.function = frame.at(1);
    const auto word = [&frame](std::size_t i) {
        return static_cast<std::uint16_t>(frame[i] << 8 | frame[i + 1]);
    };
    switch (r.function) {
        case 3:
            r.address = word(2);
            r.quantity = word(4);
            break;
        case 6:
            r.address = word(2);
            r.quantity = 1;
            r.values.push_back(word(4));
            break;
        case 16: {
            r.address = word(2);
            r.quantity = word(4);
            const std::size_t bytes = frame[6];
            for (std::size_t i = 0; i + 1 < bytes; i += 2) r.values.push_back(word(7 + i));
            break;
        }
        default:
            break;
    }
    return r;
}

std::vector<std::uint8_t> encodeException(std::uint8_t slave, std::uint8_t function, std::uint8_t code) {
    std::vector<std::uint8_t> f{slave, static_cast<std::uint8_t>(function | 0x80), code, 0, 0};
    appendCrc(f.data(), 3);
    return f;
}

std::vector<std::uint8_t> encodeReply(const Request& request, const Reply& reply) {
    if (reply.exception != 0) return encodeException(request.slave, request.function, reply.exception);
    std::vector<std::uint8_t> f{request.slave, request.function};
    const auto put = [&f](std::uint16_t v) {
        f.push_back(static_cast<std::uint8_t>(v >> 8));
        f.push_back(static_cast<std::uint8_t>(v & 0xFF));
    };
    switch (request.function) {
        case 3:
            f.push_back(static_cast<std::uint8_t>(2 * reply.registers.size()));
            for (const auto v : reply.registers) put(v);
            break;
        case 6:
            put(request.address);
            put(request.values.empty() ? 0 : request.values.front());
            break;
        default:  // 16
            put(request.address);
            put(request.quantity);
            break;
    }
    f.resize(f.size() + 2);
    appendCrc(f.data(), f.size() - 2);
    return f;
}

}  // namespace talvex::sim
