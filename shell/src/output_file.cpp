// The output-file rule on POSIX: lstat/stat identities, mkstemps beside the target, rename into place
// (renameat2 without replacing when replacing was not asked for).
#include "talvex/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "talvex/app_paths.hpp"

namespace talvex {
namespace {

namespace fs = std::filesystem;

struct Identity {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const Identity&) const = default;
};

Identity identityOf(const struct stat& st) {
    return {st.st_dev, st.st_ino};
}

// A path as its folder (followed to where it really is) and its last name.
struct Place {
    std::string folder;
    std::string name;
};

Place placeOf(const std::string& path) {
    const fs::path p(path);
    const std::string folder = p.has_parent_path() ? p.parent_path().string() : std::string(".");
    return {folder.empty() ? std::string("/") : folder, p.filename().string()};
}

bool folderIdentity(const std::string& folder, Identity& id) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    id = identityOf(st);
    return true;
}

// The same file: one existing file under both names, or one name in the same folder for a file that
// does not exist (yet).
bool sameFile(const std::string& a, const struct stat* aStat, const std::string& b) {
    struct stat bStat {};
    const bool bExists = ::stat(b.c_str(), &bStat) == 0;
    if (aStat && bExists) return identityOf(*aStat) == identityOf(bStat);
    const Place pa = placeOf(a), pb = placeOf(b);
    if (pa.name != pb.name) return false;
    Identity fa, fb;
    return folderIdentity(pa.folder, fa) && folderIdentity(pb.folder, fb) && fa == fb;
}

// The process's umask without changing it (umask() would, for every thread at once).
mode_t currentUmask() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtol(line.c_str() + 6, nullptr, 8));
    return 022;
}

// Where the target really is: a symlink is followed to the file it names; a new file's folder is
// resolved. Empty when the name cannot be a file (it ends in a slash, ".", "..").
std::string resolvedTarget(const std::string& target) {
    char buf[PATH_MAX];
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        return ::realpath(target.c_str(), buf) ? std::string(buf) : target;
    const Place place = placeOf(target);
    if (place.name.empty() || place.name == "." || place.name == "..") return {};
    if (!::realpath(place.folder.c_str(), buf)) return target;
    const std::string folder(buf);
    return (folder == "/" ? folder : folder + "/") + place.name;
}

bool syncFolder(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    const bool ok = ::fsync(dir) == 0;
    ::close(dir);
    return ok;
}

// Renames without replacing an existing name; link()+unlink() where the file system has no renameat2.
int renameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    if (::link(from, to) != 0) return -1;
    ::unlink(from);
    return 0;
}

}  // namespace

std::vector<std::string> dataDirectoryFiles() {
    const AppPaths paths = appPaths();
    const std::string db = (paths.dataDir / "SensorDB.db").string();  // acquisition's kDatabaseFileName
    return {db,
            db + "-wal",
            db + "-shm",
            db + "-journal",
            paths.configFile().string(),
            paths.settingsFile().string()};
}

OutputRefusal outputRefusal(const std::string& target, const OutputRule& rule) {
    struct stat link {};
    const bool present = ::lstat(target.c_str(), &link) == 0;
    struct stat st {};
    const bool resolves = present && ::stat(target.c_str(), &st) == 0;
    const Place place = placeOf(target);
    if (place.name.empty() || place.name == "." || place.name == "..") return OutputRefusal::NotRegular;
    // Another name of a kept file is that file: by identity when it exists, else by folder and name.
    const std::string real = resolves ? resolvedTarget(target) : target;
    std::vector<std::string> kept = dataDirectoryFiles();
    kept.insert(kept.end(), rule.keepOff.begin(), rule.keepOff.end());
    for (const std::string& k : kept)
        if (!k.empty() && sameFile(real, resolves ? &st : nullptr, k)) return OutputRefusal::OwnFile;
    if (!present) return OutputRefusal::None;
    if (!resolves || !S_ISREG(st.st_mode)) return OutputRefusal::NotRegular;
    return rule.replace ? OutputRefusal::None : OutputRefusal::Exists;
}

const char* outputRefusalKey(OutputRefusal refusal) {
    switch (refusal) {
        case OutputRefusal::OwnFile:
            return "IDS_Safety_ExportOverOwnFile";
        case OutputRefusal::Exists:
            return "IDS_Safety_ExportExists";
        case OutputRefusal::NotRegular:
            return "IDS_Safety_ExportNotRegular";
        case OutputRefusal::None:
            break;
    }
    return "";
}

OutputFile::~OutputFile() {
    abandon();
}

bool OutputFile::fail(int err) {
    error_ = err;
    abandon();
    return false;
}

bool OutputFile::open(const std::string& target, const OutputRule& rule) {
    abandon();
    refusal_ = OutputRefusal::None;
    error_ = 0;
    rule_ = rule;
    if (target.empty()) return fail(ENOENT);
    refusal_ = outputRefusal(target, rule);
    if (refusal_ != OutputRefusal::None) return false;
    target_ = resolvedTarget(target);
    const Place place = placeOf(target_);
    // Hidden and marked as partial; cut short so that the name fits the file system's limit.
    std::string pattern = place.folder + "/." + place.name.substr(0, 200) + ".XXXXXX.part";
    const int fd = ::mkstemps(pattern.data(), 5);
    if (fd < 0) return fail(errno);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    fd_ = fd;
    temp_ = pattern;
    // mkstemp makes the file private (0600); an export gets the usual mode.
    if (::fchmod(fd_, 0666 & ~currentUmask()) != 0) return fail(errno);
    return true;
}

std::FILE* OutputFile::stream() {
    if (!stream_ && fd_ >= 0) stream_ = ::fdopen(fd_, "wb");
    return stream_;
}

bool OutputFile::commit() {
    if (fd_ < 0) return fail(EBADF);
    bool written = true;
    if (stream_) {
        written = std::fflush(stream_) == 0 && ::fsync(fd_) == 0;
        written = std::fclose(stream_) == 0 && written;
        stream_ = nullptr;
    } else {
        written = ::fsync(fd_) == 0;
        written = ::close(fd_) == 0 && written;
    }
    fd_ = -1;
    if (!written) return fail(errno ? errno : EIO);
    // The target may have become something else while the data was written.
    refusal_ = outputRefusal(target_, rule_);
    if (refusal_ != OutputRefusal::None) return fail(0);
    const int moved = rule_.replace ? std::rename(temp_.c_str(), target_.c_str())
                                    : renameNoReplace(temp_.c_str(), target_.c_str());
    if (moved != 0) {
        if (errno == EEXIST) refusal_ = OutputRefusal::Exists;
        return fail(errno);
    }
    temp_.clear();
    (void)syncFolder(placeOf(target_).folder);  // the new name on disk too; the data already is
    return true;
}

void OutputFile::abandon() {
    if (stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
        fd_ = -1;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace talvex
