// Private-profile reading and writing over an in-memory list of lines.
#include "talvex/ini_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace talvex {
namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

std::string_view trim(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string oneLine(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

// Packs items into a double-NUL list buffer of bufferBytes: each item takes its bytes plus a
// terminator, one byte stays for the final terminator; the item that no longer fits is cut.
std::vector<std::string> fitList(const std::vector<std::string>& items, std::size_t bufferBytes,
                                 Codepage codepage) {
    std::vector<std::string> out;
    if (bufferBytes < 2) return out;
    std::size_t free = bufferBytes - 1;
    for (const auto& item : items) {
        const std::size_t need = encodedLength(item, codepage) + 1;
        if (need > free) {
            if (free > 1) {
                std::string cut = cutToEncodedBytes(item, free - 1, codepage);
                if (!cut.empty()) out.push_back(std::move(cut));
            }
            break;
        }
        out.push_back(item);
        free -= need;
    }
    return out;
}

}  // namespace

IniFile::Line IniFile::parseLine(std::string raw) {
    Line line;
    const std::string_view t = trim(raw);
    if (!t.empty() && t.front() == '[') {
        line.kind = Line::Kind::Section;
        std::string_view inner = t.substr(1);
        const std::size_t close = inner.rfind(']');
        if (close != std::string_view::npos) inner = inner.substr(0, close);
        line.name = std::string(trim(inner));
    } else if (!t.empty() && t.front() != ';') {
        line.kind = Line::Kind::Entry;
        const std::size_t eq = t.find('=');
        if (eq == std::string_view::npos) {
            line.name = std::string(t);
        } else {
            line.name = std::string(trim(t.substr(0, eq)));
            line.value = std::string(trim(t.substr(eq + 1)));
        }
    }
    line.raw = std::move(raw);
    return line;
}

IniFile IniFile::parse(std::string_view utf8Text) {
    IniFile file;
    std::size_t start = 0;
    while (start < utf8Text.size()) {
        std::size_t end = utf8Text.find('\n', start);
        if (end == std::string_view::npos) end = utf8Text.size();
        std::string_view raw = utf8Text.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        file.lines_.push_back(parseLine(std::string(raw)));
        start = end + 1;
    }
    return file;
}

IniFile IniFile::load(const std::filesystem::path& path, LoadResult* result) {
    LoadResult local;
    LoadResult& r = result ? *result : local;
    r = {};
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        r.status = LoadStatus::Missing;
        return {};
    }
    if (!std::filesystem::is_regular_file(path, ec)) {
        r.status = LoadStatus::Unreadable;
        r.error = "not a regular file";
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        r.status = LoadStatus::Unreadable;
        r.error = std::strerror(errno);
        return {};
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        r.status = LoadStatus::Unreadable;
        r.error = "read error";
        return {};
    }
    std::string raw = std::move(bytes).str();
    if (raw.find('\0') != std::string::npos) {
        std::erase(raw, '\0');
        r.droppedNuls = true;
    }
    // One encoding for the whole file, never guessed per value: the mark an editor leaves says UTF-8.
    const bool marked = raw.starts_with(kUtf8Bom);
    const DecodedText decoded =
        marked ? decodeUtf8(std::string_view(raw).substr(kUtf8Bom.size())) : decodeGbk(raw);
    r.lossy = decoded.lossy;
    r.status = LoadStatus::Loaded;
    IniFile file = parse(decoded.utf8);
    file.encoding_ = marked ? Encoding::Utf8WithBom : Encoding::Gbk;
    return file;
}

std::string IniFile::text() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}

std::filesystem::path IniFile::writeTarget(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {  // a loop of links ends somewhere; the write then fails
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
        const fs::path link = fs::read_symlink(p, ec);
        if (ec) return p;
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
    return p;
}

bool IniFile::isReadOnly(const std::filesystem::path& path) {
    const std::filesystem::path target = writeTarget(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return false;  // a missing file is created
    // The mode bits first: root passes access() even for a file frozen with chmod a-w.
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0;
}

bool IniFile::save(const std::filesystem::path& path, std::string* error) const {
    auto fail = [&](const char* what) {
        if (error) *error = std::string(what) + ": " + std::strerror(errno);
        return false;
    };
    const std::string utf8 = text();
    const std::optional<std::string> encoded =
        encoding_ == Encoding::Gbk
            ? encodeGbk(utf8)
            : (isValidUtf8(utf8) ? std::optional<std::string>(std::string(kUtf8Bom) + utf8) : std::nullopt);
    if (!encoded) {
        errno = EILSEQ;
        return fail("a text is not UTF-8");
    }
    const std::string& bytes = *encoded;
    // Through symlinks to the file they name, so a shared file keeps receiving updates.
    const std::filesystem::path target = writeTarget(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && isReadOnly(target)) {
        errno = EACCES;
        return fail("the file is read-only");
    }
    std::filesystem::path tmp = target;
    tmp += ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return fail("cannot create");
    auto abandon = [&](const char* what, bool closeFd) {
        const int saved = errno;
        if (closeFd) ::close(fd);
        ::unlink(tmp.c_str());
        errno = saved;
        return fail(what);
    };
    if (exists) {
        // The replacement keeps the old file's owner and mode. The owner is best effort (only root
        // may give a file away); the mode is set after it, as a change of owner clears set-id bits.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0)
            (void)!::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        if (::fchmod(fd, old.st_mode & 07777) != 0) return abandon("cannot set the mode", true);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon("cannot write", true);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return abandon("cannot write", true);
    if (::close(fd) != 0) return abandon("cannot write", false);
    if (::rename(tmp.c_str(), target.c_str()) != 0) return abandon("cannot replace", false);
    return true;
}

std::size_t IniFile::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Kind::Section && equalsNoCase(lines_[i].name, section)) return i;
    return npos;
}

std::size_t IniFile::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Line::Kind::Section) ++i;
    return i;
}

bool IniFile::hasSection(std::string_view section) const {
    return findSection(section) != npos;
}

std::size_t IniFile::entryCount() const {
    std::size_t count = 0;
    bool named = false;
    for (const auto& line : lines_) {
        if (line.kind == Line::Kind::Section) named = !line.name.empty();
        if (line.kind == Line::Kind::Entry && named) ++count;
    }
    return count;
}

std::vector<std::string> IniFile::sectionNames(std::size_t bufferBytes, Codepage codepage) const {
    std::vector<std::string> names;
    for (const auto& line : lines_) {
        if (line.kind != Line::Kind::Section || line.name.empty()) continue;
        bool seen = false;
        for (const auto& n : names) seen = seen || equalsNoCase(n, line.name);
        if (!seen) names.push_back(line.name);
    }
    return fitList(names, bufferBytes, codepage);
}

std::vector<std::string> IniFile::keyNames(std::string_view section, std::size_t bufferBytes,
                                           Codepage codepage) const {
    const std::size_t header = findSection(section);
    if (header == npos) return {};
    std::vector<std::string> keys;
    for (std::size_t i = header + 1, end = sectionEnd(header); i < end; ++i) {
        const Line& line = lines_[i];
        if (line.kind != Line::Kind::Entry || line.name.empty()) continue;
        bool seen = false;
        for (const auto& k : keys) seen = seen || equalsNoCase(k, line.name);
        if (!seen) keys.push_back(line.name);
    }
    return fitList(keys, bufferBytes, codepage);
}

std::optional<std::vector<IniEntry>> IniFile::sectionEntries(std::string_view section,
                                                             std::size_t bufferBytes,
                                                             Codepage codepage) const {
    const std::size_t header = findSection(section);
    if (header == npos) return std::nullopt;
    std::vector<std::string> packed;
    std::vector<std::size_t> keyLengths;
    for (std::size_t i = header + 1, end = sectionEnd(header); i < end; ++i) {
        const Line& line = lines_[i];
        if (line.kind != Line::Kind::Entry) continue;
        packed.push_back(line.name + "=" + line.value);
        keyLengths.push_back(line.name.size());
    }
    std::vector<IniEntry> entries;
    const auto fitted = fitList(packed, bufferBytes, codepage);
    for (std::size_t i = 0; i < fitted.size(); ++i) {
        const std::string& s = fitted[i];
        // A cut entry may end inside its key; it then has no value.
        if (s.size() > keyLengths[i])
            entries.push_back({s.substr(0, keyLengths[i]), s.substr(keyLengths[i] + 1)});
        else
            entries.push_back({s, ""});
    }
    return entries;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const std::size_t header = findSection(section);
    if (header == npos) return std::nullopt;
    for (std::size_t i = header + 1, end = sectionEnd(header); i < end; ++i) {
        const Line& line = lines_[i];
        if (line.kind == Line::Kind::Entry && equalsNoCase(line.name, key)) return line.value;
    }
    return std::nullopt;
}

std::string IniFile::getString(std::string_view section, std::string_view key, std::string_view fallback,
                               std::size_t bufferBytes, Codepage codepage) const {
    const auto v = value(section, key);
    const std::size_t room = bufferBytes > 0 ? bufferBytes - 1 : 0;
    return cutToEncodedBytes(v ? std::string_view(*v) : fallback, room, codepage);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string k = oneLine(key), v = oneLine(value);
    std::size_t header = findSection(section);
    if (header == npos) {
        lines_.push_back(parseLine("[" + oneLine(section) + "]"));
        lines_.push_back(parseLine(k + "=" + v));
        return;
    }
    const std::size_t end = sectionEnd(header);
    std::size_t lastContent = header;
    for (std::size_t i = header + 1; i < end; ++i) {
        Line& line = lines_[i];
        if (line.kind == Line::Kind::Entry && equalsNoCase(line.name, k)) {
            line = parseLine(line.name + "=" + v);
            return;
        }
        if (!trim(line.raw).empty()) lastContent = i;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), parseLine(k + "=" + v));
}

}  // namespace talvex
