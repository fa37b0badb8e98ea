// The line end of the simulated bus: a pseudo-terminal in raw mode whose slave side masters open
// like a serial port. Optionally a symlink names the slave (removed again on close).
#pragma once

#include <string>

namespace talvex::sim {

class PtyEndpoint {
  public:
    PtyEndpoint() = default;
    ~PtyEndpoint() { close(); }
    PtyEndpoint(const PtyEndpoint&) = delete;
    PtyEndpoint& operator=(const PtyEndpoint&) = delete;

    // Opens the pair; the master side is non-blocking. On failure returns false and sets error.
    bool open(int baud, std::string& error);
    // Creates a symlink at path to the slave device. An existing symlink is replaced; any other
    // existing file is left alone and refused.
    bool link(const std::string& path, std::string& error);
    void close();

    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

  private:
    int master_ = -1;
    int slaveHold_ = -1;  // kept open so the line stays up while no master has it open
    std::string slavePath_;
    std::string linkPath_;
};

}  // namespace talvex::sim
