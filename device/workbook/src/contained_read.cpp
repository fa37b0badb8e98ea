// A load run in a short-lived child process. The .xls library reads past its buffers on some damaged
// files (string lengths it takes from the file unchecked); whatever it does there can then only end the
// child, and the caller hears "damaged workbook" instead of losing its window. The child hands the sheet
// back over a pipe and leaves with _exit, so no handler of the caller's runs in it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

#include "loaders.hpp"

namespace talvex::workbook {
namespace {

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void putText(std::string& out, const std::string& s) {
    put32(out, static_cast<std::uint32_t>(s.size()));
    out += s;
}

std::string serialise(const ReadResult& r) {
    std::string out;
    put32(out, static_cast<std::uint32_t>(r.error));
    putText(out, r.detail);
    const Sheet& s = r.sheet;
    const bool used = s.rowCount() > 0;
    put32(out, used ? 1 : 0);
    if (used) {
        put32(out, static_cast<std::uint32_t>(s.firstRow()));
        put32(out, static_cast<std::uint32_t>(s.firstColumn()));
        put32(out, static_cast<std::uint32_t>(s.firstRow() + s.rowCount() - 1));
        put32(out, static_cast<std::uint32_t>(s.firstColumn() + s.columnCount() - 1));
    }
    s.forEachCell([&](int row, int column, const std::string& text) {
        put32(out, static_cast<std::uint32_t>(row));
        put32(out, static_cast<std::uint32_t>(column));
        putText(out, text);
    });
    return out;
}

class Reader {
  public:
    explicit Reader(std::string_view b) : b_(b) {}
    bool u32(std::uint32_t& v) {
        if (b_.size() - at_ < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b_[at_ + i])) << (8 * i);
        at_ += 4;
        return true;
    }
    bool text(std::string& s) {
        std::uint32_t n = 0;
        if (!u32(n) || b_.size() - at_ < n) return false;
        s.assign(b_.substr(at_, n));
        at_ += n;
        return true;
    }
    bool done() const { return at_ == b_.size(); }

  private:
    std::string_view b_;
    size_t at_ = 0;
};

bool deserialise(std::string_view bytes, ReadResult& r) {
    Reader in(bytes);
    std::uint32_t error = 0, used = 0;
    if (!in.u32(error) || error > static_cast<std::uint32_t>(ReadError::Damaged) || !in.text(r.detail) ||
        !in.u32(used))
        return false;
    r.error = static_cast<ReadError>(error);
    if (used) {
        std::uint32_t r0, c0, r1, c1;
        if (!in.u32(r0) || !in.u32(c0) || !in.u32(r1) || !in.u32(c1)) return false;
        r.sheet.markUsed(static_cast<int>(r0), static_cast<int>(c0));
        r.sheet.markUsed(static_cast<int>(r1), static_cast<int>(c1));
    }
    while (!in.done()) {
        std::uint32_t row, column;
        std::string text;
        if (!in.u32(row) || !in.u32(column) || !in.text(text)) return false;
        r.sheet.setCell(static_cast<int>(row), static_cast<int>(column), std::move(text));
    }
    return true;
}

bool writeAll(int fd, const std::string& data) {
    size_t at = 0;
    while (at < data.size()) {
        const ssize_t n = ::write(fd, data.data() + at, data.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

ReadResult damaged(std::string detail) {
    ReadResult r;
    r.error = ReadError::Damaged;
    r.detail = std::move(detail);
    return r;
}

}  // namespace

ReadResult loadInChild(const std::function<ReadResult()>& load, std::chrono::milliseconds timeLimit) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return damaged(std::string("no pipe: ") + std::strerror(errno));
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return damaged(std::string("no child process: ") + std::strerror(errno));
    }
    if (pid == 0) {
        ::close(fds[0]);
        int code = 0;
        try {
            code = writeAll(fds[1], serialise(load())) ? 0 : 3;
        } catch (...) {
            code = 4;
        }
        ::_exit(code);
    }
    ::close(fds[1]);
    std::string bytes;
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;  // the deadline check above ends it
        char buf[65536];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (timedOut) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut) return damaged("the reader did not finish in time");
    if (WIFSIGNALED(status))
        return damaged("the reader stopped on this file (signal " + std::to_string(WTERMSIG(status)) + ")");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return damaged("the reader stopped on this file (exit " + std::to_string(WEXITSTATUS(status)) + ")");
    ReadResult result;
    if (!deserialise(bytes, result)) return damaged("the reader's answer was cut short");
    return result;
}

}  // namespace talvex::workbook
