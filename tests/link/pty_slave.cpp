#include "pty_slave.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "talvex/crc16.hpp"

namespace talvex::test {

PtyPair::PtyPair() {
    char name[128] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    path_ = name;
    // Raw from the start: a cooked slave would echo the master's bytes back before the port configures it.
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
    tcgetattr(master_, &tio);
    cfmakeraw(&tio);
    tcsetattr(master_, TCSANOW, &tio);
}

PtyPair::~PtyPair() {
    hangUp();
    if (slave_ >= 0) close(slave_);
}

void PtyPair::hangUp() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}

ScriptedSlave::ScriptedSlave(int masterFd, Handler handler) : fd_(masterFd), handler_(std::move(handler)) {
    if (pipe2(stopPipe_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    thread_ = std::thread([this] { run(); });
}

ScriptedSlave::~ScriptedSlave() {
    const char stop = 'x';
    (void)!write(stopPipe_[1], &stop, 1);
    thread_.join();
    close(stopPipe_[0]);
    close(stopPipe_[1]);
}

void ScriptedSlave::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

bool ScriptedSlave::waitForRequests(std::size_t n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return seen_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
}

std::vector<Bytes> ScriptedSlave::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

namespace {

// Length of the request frame starting at buf, or 0 while too little has arrived to tell.
std::size_t frameLength(const Bytes& buf) {
    if (buf.size() < 2) return 0;
    const std::uint8_t fn = buf[1];
    if (fn == 15 || fn == 16) return buf.size() < 7 ? 0 : 9u + buf[6];
    return 8;
}

}  // namespace

void ScriptedSlave::run() {
    Bytes pending;
    for (;;) {
        pollfd p[2] = {{fd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (p[1].revents) return;
        if (!(p[0].revents & POLLIN)) {
            if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                // Nobody holds the slave side right now; look again shortly.
                pollfd s{stopPipe_[0], POLLIN, 0};
                if (poll(&s, 1, 5) > 0) return;
            }
            continue;
        }
        std::uint8_t chunk[512];
        const ssize_t n = read(fd_, chunk, sizeof chunk);
        if (n <= 0) continue;
        pending.insert(pending.end(), chunk, chunk + n);
        while (std::size_t len = frameLength(pending)) {
            if (pending.size() < len) break;
            Bytes request(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(len));
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(len));
            Handler h;
            {
                std::lock_guard lock(mutex_);
                h = handler_;
            }
            const Reply reply = h ? h(request) : Reply{};
            if (reply.delay.count() > 0) {
                pollfd s{stopPipe_[0], POLLIN, 0};
                if (poll(&s, 1, static_cast<int>(reply.delay.count())) > 0) return;
            }
            if (!reply.bytes.empty()) (void)!write(fd_, reply.bytes.data(), reply.bytes.size());
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(std::move(request));
            }
            seen_.notify_all();
        }
    }
}

Bytes withCrc(Bytes frame) {
    const std::size_t n = frame.size();
    frame.resize(n + 2);
    appendCrc(frame.data(), n);
    return frame;
}

Bytes registersReply(std::uint8_t slave, std::uint8_t function, const std::vector<std::uint16_t>& values) {
    Bytes f{slave, function, static_cast<std::uint8_t>(2 * values.size())};
    for (std::uint16_t v : values) {
        f.push_back(static_cast<std::uint8_t>(v >> 8));
        f.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    return withCrc(std::move(f));
}

Bytes exceptionReply(std::uint8_t slave, std::uint8_t function, std::uint8_t code) {
    return withCrc({slave, static_cast<std::uint8_t>(function | 0x80), code});
}

std::uint16_t wordAt(const Bytes& frame, std::size_t index) {
    return static_cast<std::uint16_t>((frame[index] << 8) | frame[index + 1]);
}

ScriptedSlave::Handler registerBank(std::uint8_t address) {
    return [address](const Bytes& req) -> Reply {
        if (req[0] != address) return {};
        const std::uint8_t fn = req[1];
        if (fn == 3 || fn == 4) {
            std::vector<std::uint16_t> values;
            for (std::uint16_t i = 0; i < wordAt(req, 4); ++i)
                values.push_back(static_cast<std::uint16_t>(1000 + wordAt(req, 2) + i));
            return {registersReply(address, fn, values)};
        }
        if (fn == 1 || fn == 2) {
            const std::size_t n = (wordAt(req, 4) + 7u) / 8u;
            Bytes f{address, fn, static_cast<std::uint8_t>(n)};
            for (std::size_t i = 0; i < n; ++i) f.push_back(static_cast<std::uint8_t>(0xA0 + i));
            return {withCrc(std::move(f))};
        }
        if (fn == 5 || fn == 6) return {req};
        if (fn == 15 || fn == 16) return {withCrc(Bytes(req.begin(), req.begin() + 6))};
        return {exceptionReply(address, fn, 1)};
    };
}

}  // namespace talvex::test
