// The serving loop: poll the line, frame requests, hand them to the bus model, write replies.
#include "talvex/sim/frame_server.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>

#include "talvex/sim/frame_parser.hpp"

namespace talvex::sim {

namespace {

// A reply nobody reads (master gone) is given up after this long.
constexpr auto kStallLimit = std::chrono::seconds(2);
// Paced output goes out in pieces of about this duration.
constexpr auto kPaceSlice = std::chrono::microseconds(2000);

timespec toTimespec(std::chrono::nanoseconds d) {
    if (d.count() < 0) d = std::chrono::nanoseconds(0);
    return timespec{static_cast<time_t>(d.count() / 1000000000), static_cast<long>(d.count() % 1000000000)};
}

}  // namespace

FrameServer::FrameServer(BusModel& bus, int fd, int baud, bool pace, ClockFn clock, FrameMonitor* monitor)
    : bus_(bus),
      fd_(fd),
      pace_(pace),
      byteTime_(std::chrono::nanoseconds(10'000'000'000LL / std::max(1, baud))),  // 10 bits per byte (8N1)
      clock_(std::move(clock)),
      monitor_(monitor) {}

void FrameServer::run(const std::atomic<bool>& stop, int wakeFd) {
    // The inter-frame silence is 3.5 character times, at least 1.75 ms as Modbus fixes above 19200 baud.
    const auto silence = std::max<std::chrono::microseconds>(
        std::chrono::duration_cast<std::chrono::microseconds>(byteTime_ * 35 / 10),
        std::chrono::microseconds(1750));
    FrameParser parser(silence);
    std::deque<std::uint8_t> out;
    TimePoint nextWrite{};
    TimePoint stalledSince{};
    bool blocked = false;
    std::size_t untilPause = 0;  // bytes of the reply still to send before its pause (0: none)
    Millis pause{0};
    std::uint8_t buf[4096];

    while (!stop.load()) {
        auto real = SteadyClock::now();
        std::chrono::nanoseconds wait = std::chrono::milliseconds(200);
        if (!out.empty() && !blocked) {
            wait = nextWrite - real;
        } else if (const auto deadline = parser.silenceDeadline()) {
            wait =
                std::min<std::chrono::nanoseconds>(wait, *deadline - real + std::chrono::microseconds(100));
        }
        pollfd fds[2] = {{fd_, static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0}, {wakeFd, POLLIN, 0}};
        const timespec ts = toTimespec(wait);
        const int ready = ::ppoll(fds, 2, &ts, nullptr);
        if (ready < 0 && errno != EINTR) break;
        if (stop.load()) break;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            std::uint8_t drain[64];
            while (::read(wakeFd, drain, sizeof drain) > 0) {
            }
        }
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            for (;;) {
                const auto n = ::read(fd_, buf, sizeof buf);
                if (n <= 0) break;
                parser.feed(buf, static_cast<std::size_t>(n), SteadyClock::now());
            }
        }
        if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) && !(fds[0].revents & POLLIN)) {
            ::usleep(20000);  // line down; do not spin
        }
        if (ready > 0 && (fds[0].revents & POLLOUT)) blocked = false;

        real = SteadyClock::now();
        if (out.empty()) {
            if (auto frame = parser.next(real)) {
                if (monitor_) monitor_->record(true, *frame);
                if (auto reply = bus_.handle(*frame, clock_ ? clock_() : real)) {
                    if (monitor_) monitor_->record(false, reply->bytes);
                    out.assign(reply->bytes.begin(), reply->bytes.end());
                    nextWrite = real + reply->delay;
                    untilPause = reply->pauseAt;
                    pause = reply->pause;
                    stalledSince = real;
                }
            }
            dropped_.store(parser.droppedBytes());
        }
        if (!out.empty() && !blocked && real >= nextWrite) {
            std::size_t chunk = out.size();
            if (pace_)
                chunk = std::min<std::size_t>(out.size(), std::max<std::int64_t>(1, kPaceSlice / byteTime_));
            std::uint8_t piece[4096];
            chunk = std::min(chunk, sizeof piece);
            if (untilPause > 0) chunk = std::min(chunk, untilPause);
            std::copy_n(out.begin(), chunk, piece);
            const auto n = ::write(fd_, piece, chunk);
            if (n > 0) {
                out.erase(out.begin(), out.begin() + n);
                nextWrite = real + (pace_ ? byteTime_ * n : std::chrono::nanoseconds(0));
                stalledSince = real;
                if (untilPause > 0) {
                    untilPause -= static_cast<std::size_t>(n);
                    if (untilPause == 0) nextWrite += pause;
                }
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                blocked = true;
            }
            if (real - stalledSince > kStallLimit) {
                out.clear();
                blocked = false;
            }
        } else if (blocked && real - stalledSince > kStallLimit) {
            out.clear();
            blocked = false;
        }
    }
}

}  // namespace talvex::sim
