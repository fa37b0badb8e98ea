// A pseudo-terminal pair and a scripted Modbus slave on its master side, for tests of the link.
// The code under test opens slavePath() like any serial device; the slave thread reads whole request
// frames from the master side and answers as its handler says: normally, corrupted, late, or not at all.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace talvex::test {

using Bytes = std::vector<std::uint8_t>;

class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int masterFd() const { return master_; }
    int slaveFd() const { return slave_; }  // held open so the master never sees a hang-up between opens
    const std::string& slavePath() const { return path_; }
    // Closes the master side: the device vanishes under whoever has the slave side open.
    void hangUp();

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

struct Reply {
    Bytes bytes;                         // nothing: stay silent
    std::chrono::milliseconds delay{0};  // answer late
};

class ScriptedSlave {
  public:
    using Handler = std::function<Reply(const Bytes& request)>;

    ScriptedSlave(int masterFd, Handler handler);
    ~ScriptedSlave();
    ScriptedSlave(const ScriptedSlave&) = delete;
    ScriptedSlave& operator=(const ScriptedSlave&) = delete;

    // Waits until n requests have been seen; false on time-out.
    bool waitForRequests(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(3));
    std::vector<Bytes> requests() const;
    void setHandler(Handler handler);

  private:
    void run();

    int fd_;
    int stopPipe_[2] = {-1, -1};
    mutable std::mutex mutex_;  // guards handler_ and requests_
    std::condition_variable seen_;
    Handler handler_;
    std::vector<Bytes> requests_;
    std::thread thread_;
};

// Frame helpers for handlers.
Bytes withCrc(Bytes frame);
Bytes registersReply(std::uint8_t slave, std::uint8_t function, const std::vector<std::uint16_t>& values);
Bytes exceptionReply(std::uint8_t slave, std::uint8_t function, std::uint8_t code);
std::uint16_t wordAt(const Bytes& frame, std::size_t index);  // big-endian at frame[index]

// A slave at `address` whose holding and input register r holds 1000 + r; writes are echoed as the
// protocol says. Requests for other addresses get no answer.
ScriptedSlave::Handler registerBank(std::uint8_t address);

}  // namespace talvex::test
