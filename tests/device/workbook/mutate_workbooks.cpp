// workbook_mutate: a small mutation campaign against the workbook reader (a test tool, not a test).
// It damages the valid fixtures in ways a bad disk, a cut download or a careless tool damages files,
// reads each mutant in a child process, and sorts the outcomes: a read, each error kind, a child that
// died (signal or abort: a crash the reader let through) or hung. Mutants that crashed or hung, and
// the first few of each contained crash, are kept in the output folder for a regression case.
//
//   workbook_mutate --out DIR [--count N] [--seed S] FILE...
//
// Run it under LD_PRELOAD=libasan.so to see out-of-bounds reads of the format libraries through the
// sanitizer's interceptors; a contained crash is then reported as "damaged (reader stopped)".
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "talvex/workbook/reader.hpp"
#include "xlsx_package.hpp"

namespace {

using Bytes = std::string;

std::uint32_t le32(const Bytes& b, size_t at) {
    if (at + 4 > b.size()) return 0;
    auto u = [&](size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])); };
    return u(0) | (u(1) << 8) | (u(2) << 16) | (u(3) << 24);
}
std::uint16_t le16(const Bytes& b, size_t at) {
    if (at + 2 > b.size()) return 0;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}
// The entries of a zip by its central directory; empty when it has none that inflates.
std::vector<std::pair<std::string, Bytes>> unzip(const Bytes& z) {
    std::vector<std::pair<std::string, Bytes>> out;
    size_t eocd = z.rfind(std::string("PK\x05\x06", 4));
    if (eocd == std::string::npos) return out;
    size_t at = le32(z, eocd + 16);
    for (unsigned i = 0, n = le16(z, eocd + 10); i < n; ++i) {
        if (le32(z, at) != 0x02014b50) return {};
        const unsigned method = le16(z, at + 10), nameLen = le16(z, at + 28);
        const std::uint32_t packed = le32(z, at + 20), size = le32(z, at + 24), local = le32(z, at + 42);
        const std::string name = z.substr(at + 46, nameLen);
        const size_t data = local + 30 + le16(z, local + 26) + le16(z, local + 28);
        if (data + packed > z.size()) return {};
        Bytes content;
        if (method == 0) {
            content = z.substr(data, packed);
        } else {
            content.resize(size);
            z_stream s{};
            inflateInit2(&s, -MAX_WBITS);
            s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(z.data() + data));
            s.avail_in = packed;
            s.next_out = reinterpret_cast<Bytef*>(content.data());
            s.avail_out = size;
            const int rc = inflate(&s, Z_FINISH);
            inflateEnd(&s);
            if (rc != Z_STREAM_END) return {};
        }
        out.emplace_back(name, std::move(content));
        at += 46 + nameLen + le16(z, at + 30) + le16(z, at + 32);
    }
    return out;
}

class Mutator {
  public:
    explicit Mutator(unsigned seed) : rng_(seed) {}

    size_t pick(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

    // Byte-level damage anywhere in the file.
    std::string raw(Bytes& b) {
        switch (pick(5)) {
            case 0: {
                const size_t n = 1 + pick(8);
                for (size_t i = 0; i < n; ++i) b[pick(b.size())] = static_cast<char>(pick(256));
                return "bytes";
            }
            case 1: {
                const size_t i = pick(b.size());
                b[i] = static_cast<char>(b[i] ^ (1 << pick(8)));
                return "bit";
            }
            case 2: {  // an interesting 16-bit value over a length or count field
                static const unsigned values[] = {0,     1,      0x7F,   0x80,   0xFF,
                                                  0x100, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF};
                const size_t i = pick(b.size() - 1);
                const unsigned v = values[pick(std::size(values))];
                b[i] = static_cast<char>(v & 0xFF);
                b[i + 1] = static_cast<char>(v >> 8);
                return "u16";
            }
            case 3:
                b.resize(pick(b.size()));
                return "cut";
            default: {  // a block copied over another place
                const size_t len = 1 + pick(64), from = pick(b.size()), to = pick(b.size());
                const Bytes block = b.substr(from, len);
                b.replace(to, std::min(block.size(), b.size() - to), block);
                return "block";
            }
        }
    }

    // Damage to one part of a zip package, repacked with good checksums, so the damage reaches the
    // XML parsers instead of stopping at the container.
    std::string inPackage(Bytes& b) {
        auto entries = unzip(b);
        if (entries.empty()) return raw(b);
        auto& [name, data] = entries[pick(entries.size())];
        std::string what = "part " + name + ": ";
        if (data.empty()) {
            data = "<";
            what += "filled";
        } else {
            switch (pick(6)) {
                case 0:
                    data.resize(pick(data.size()));
                    what += "cut";
                    break;
                case 1: {
                    const size_t n = 1 + pick(4);
                    for (size_t i = 0; i < n; ++i) {
                        static const char chars[] = "<>/\"'=&;:!?[]# \0x9AZ-";
                        data[pick(data.size())] = chars[pick(sizeof chars - 1)];
                    }
                    what += "chars";
                    break;
                }
                case 2: {  // a number made huge, negative or odd
                    static const char* const numbers[] = {
                        "99999999999", "-1", "1e308", "4294967296", "", "0x10", "2147483648", "1048577"};
                    const size_t at = data.find_first_of("0123456789", pick(data.size()));
                    if (at == std::string::npos) return what + "nothing";
                    const size_t end = data.find_first_not_of("0123456789", at);
                    data.replace(at, (end == std::string::npos ? data.size() : end) - at,
                                 numbers[pick(std::size(numbers))]);
                    what += "number";
                    break;
                }
                case 3: {  // an attribute or element name broken
                    const size_t at = data.find('"', pick(data.size()));
                    if (at == std::string::npos) return what + "nothing";
                    data.erase(at, 1);
                    what += "quote";
                    break;
                }
                case 4: {  // a slice repeated
                    const size_t from = pick(data.size()), len = 1 + pick(200);
                    data.insert(pick(data.size()), data.substr(from, len));
                    what += "repeat";
                    break;
                }
                default:
                    raw(data);
                    what += "raw";
            }
        }
        b = talvex::workbook::storedZip(entries);
        return what;
    }

  private:
    std::mt19937 rng_;
};

struct Outcome {
    std::string kind;  // "ok", an error key, "crash SIG", "hung"
};

// Reads a file in a child process; the child's end tells what the reader did.
Outcome readInChild(const std::string& path) {
    int fds[2];
    if (pipe(fds) != 0) return {"no pipe"};
    std::fflush(stdout);  // the child must not print what the parent has buffered
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        alarm(60);
        const auto r = talvex::workbook::readFirstSheet(path);
        std::string kind = r.ok() ? "ok" : talvex::workbook::readErrorKey(r.error);
        if (r.detail.rfind("the reader stopped", 0) == 0 || r.detail.rfind("the reader did not", 0) == 0)
            kind += " (reader stopped)";
        if (write(fds[1], kind.data(), kind.size()) < 0) _exit(3);
        _exit(0);
    }
    close(fds[1]);
    std::string kind;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) kind.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFSIGNALED(status))
        return {WTERMSIG(status) == SIGALRM ? "hung" : std::string("crash ") + strsignal(WTERMSIG(status))};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {"crash exit " + std::to_string(WEXITSTATUS(status))};
    return {kind};
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

int main(int argc, char** argv) {
    std::string outDir;
    long count = 300;
    unsigned seed = 1;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--out" && i + 1 < argc)
            outDir = argv[++i];
        else if (a == "--count" && i + 1 < argc)
            count = std::stol(argv[++i]);
        else if (a == "--seed" && i + 1 < argc)
            seed = static_cast<unsigned>(std::stoul(argv[++i]));
        else
            files.push_back(a);
    }
    if (outDir.empty() || files.empty() || count < 1) {
        std::fprintf(stderr, "usage: workbook_mutate --out DIR [--count N] [--seed S] FILE...\n");
        return 2;
    }
    std::filesystem::create_directories(outDir);
    Mutator m(seed);
    std::map<std::string, long> tally;
    std::map<std::string, long> kept;
    for (long i = 0; i < count; ++i) {
        const std::string& source = files[static_cast<size_t>(i) % files.size()];
        Bytes b = readFile(source);
        const bool isZip = b.rfind("PK\x03\x04", 0) == 0;
        const std::string what = isZip && m.pick(2) == 0 ? m.inPackage(b) : m.raw(b);
        const std::string ext = std::filesystem::path(source).extension().string();
        const std::string path = outDir + "/mutant" + ext;
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(b.data(), static_cast<std::streamsize>(b.size()));
        }
        const Outcome o = readInChild(path);
        ++tally[ext + " " + o.kind];
        const bool fault = o.kind.rfind("crash", 0) == 0 || o.kind == "hung" ||
                           o.kind.find("(reader stopped)") != std::string::npos;
        if (fault && kept[o.kind + ext]++ < 5) {
            const std::string keep = outDir + "/fault-" + std::to_string(i) + ext;
            std::filesystem::copy_file(path, keep, std::filesystem::copy_options::overwrite_existing);
            std::printf("%s: %s <- %s (%s)\n", keep.c_str(), o.kind.c_str(), source.c_str(), what.c_str());
        }
    }
    std::printf("%ld mutants\n", count);
    for (const auto& [k, n] : tally) std::printf("%6ld  %s\n", n, k.c_str());
    return 0;
}
