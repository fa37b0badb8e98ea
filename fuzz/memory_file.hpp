// Readers that take a path get the fuzz input through an in-memory file, rewritten for every input, so
// a run touches no disk.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

class MemoryFile {
  public:
    MemoryFile() : fd_(memfd_create("fuzz-input", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {}
    ~MemoryFile() { close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // The input's bytes as the whole file; the path to open it by.
    const std::string& hold(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(fd_, 0) != 0) __builtin_trap();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) __builtin_trap();
            done += static_cast<std::size_t>(n);
        }
        return path_;
    }

  private:
    int fd_;
    std::string path_;
};
