// Cuts the byte stream of a line into frames for a passive listener: a silence of 3.5 character times ends
// a frame. Slaves that answer sooner than that leave request and response in one burst; such a burst is cut
// where a whole frame with a good CRC ends. Pure: the caller supplies the times.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace talvex::diagnostics {

struct SplitFrame {
    std::int64_t timeUs = 0;  // when its last byte was read
    std::vector<std::uint8_t> bytes;
};

class FrameSplitter {
  public:
    explicit FrameSplitter(std::int64_t silenceUs) : silenceUs_(silenceUs) {}
    // 3.5 characters of 10 bits at this baud rate, at least 1750 us as the protocol fixes above 19200 baud.
    static std::int64_t silenceFor(int baud);

    // Bytes as read at timeUs; frames that the silence before them ended are appended to out.
    void feed(const std::uint8_t* bytes, std::size_t length, std::int64_t timeUs,
              std::vector<SplitFrame>& out);
    // Nothing more arrived by nowUs: ends the frame under way if its silence has passed (or when flush).
    void idle(std::int64_t nowUs, std::vector<SplitFrame>& out, bool flush = false);
    // When idle() should be called next, if a frame is under way.
    std::optional<std::int64_t> deadline() const;

    // A burst cut into whole frames; the rest, if any, is the last piece.
    static std::vector<std::vector<std::uint8_t>> carve(const std::vector<std::uint8_t>& burst);

  private:
    void finish(std::vector<SplitFrame>& out);

    std::int64_t silenceUs_;
    std::vector<std::uint8_t> burst_;
    std::int64_t lastUs_ = 0;
};

}  // namespace talvex::diagnostics
