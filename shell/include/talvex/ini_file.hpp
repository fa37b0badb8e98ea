// Settings files in the Windows private-profile layout: "[Section]" lines, "key=value" lines,
// CR LF line ends. Lookups ignore case and take the first match; writing a key replaces it in
// place or appends it to its section; a new section goes to the end. Text is UTF-8 inside.
// A file has one encoding, whatever the language: GBK, or UTF-8 when it starts with a UTF-8
// byte-order mark; saving keeps it. List buffers and value limits are counted in GBK bytes, as the
// original fixed-size buffers were.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "talvex/text_codec.hpp"

namespace talvex {

// Limits the channel file relies on: a value is read through a 128-byte buffer (127 bytes of
// text) and written cut to 126 bytes.
inline constexpr std::size_t kValueReadBuffer = 128;
inline constexpr std::size_t kValueWriteLimit = 126;

struct IniEntry {
    std::string key;
    std::string value;
};

class IniFile {
  public:
    enum class LoadStatus { Loaded, Missing, Unreadable };

    struct LoadResult {
        LoadStatus status = LoadStatus::Missing;
        bool lossy = false;        // bytes that were not of the file's encoding were replaced
        bool droppedNuls = false;  // NUL bytes were removed
        std::string error;         // reason when Unreadable
    };

    enum class Encoding { Gbk, Utf8WithBom };

    IniFile() = default;
    static IniFile parse(std::string_view utf8Text);
    static IniFile load(const std::filesystem::path& path, LoadResult* result = nullptr);

    // Writes the whole file in its encoding through a temporary file and a rename, so a crash
    // leaves either the old or the new file, never half of one. A symlink is written through to its
    // target; the replacement keeps the old file's mode and (where allowed) owner; a read-only file
    // is left as it is and the save fails, as it does for text that is not UTF-8 (nothing is replaced).
    bool save(const std::filesystem::path& path, std::string* error = nullptr) const;
    // GBK unless the file was read with a UTF-8 byte-order mark; a rewrite takes the old file's.
    Encoding encoding() const { return encoding_; }
    void setEncoding(Encoding encoding) { encoding_ = encoding; }
    // The file a save of path writes: path with its symlinks followed.
    static std::filesystem::path writeTarget(const std::filesystem::path& path);
    // The file exists and has no write permission (for anyone, or for this process).
    static bool isReadOnly(const std::filesystem::path& path);
    std::string text() const;  // CR LF line ends

    // Named sections in file order (each name once), within a list buffer of bufferBytes.
    std::vector<std::string> sectionNames(std::size_t bufferBytes, Codepage codepage) const;
    // Key names of the first section called `section`, within a list buffer of bufferBytes.
    std::vector<std::string> keyNames(std::string_view section, std::size_t bufferBytes,
                                      Codepage codepage) const;
    // "key=value" entries of the first section called `section`, within a buffer of bufferBytes.
    // Returns nullopt when there is no such section.
    std::optional<std::vector<IniEntry>> sectionEntries(std::string_view section, std::size_t bufferBytes,
                                                        Codepage codepage) const;
    // Value of the first matching key, cut to bufferBytes - 1 bytes; `fallback` when absent.
    std::string getString(std::string_view section, std::string_view key, std::string_view fallback,
                          std::size_t bufferBytes, Codepage codepage) const;
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    // Entry lines inside named sections, duplicates included.
    std::size_t entryCount() const;

    // Line breaks in key or value would break the file's layout; they become blanks.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

  private:
    struct Line {
        enum class Kind { Other, Section, Entry } kind = Kind::Other;
        std::string raw;
        std::string name;   // section name or key
        std::string value;  // entries only
    };
    static Line parseLine(std::string raw);
    // Index of the header line of the first section called `section`, or npos.
    std::size_t findSection(std::string_view section) const;
    // One past the last line of the section whose header is at `header`.
    std::size_t sectionEnd(std::size_t header) const;

    std::vector<Line> lines_;
    Encoding encoding_ = Encoding::Gbk;
};

}  // namespace talvex
