// Settings files as they are loaded (GBK, or UTF-8 after a byte-order mark). What must hold: every
// section, key and value the reader returns stands in the file's text (it never returns a name it did
// not see); the text it would save reads back to the same sections and entries; a value written reads
// back as written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.hpp"
#include "memory_file.hpp"
#include "talvex/ini_file.hpp"
#include "talvex/text_codec.hpp"

using namespace talvex;

namespace {

bool seen(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}

// A list read through a buffer of bufferBytes: the whole list's first names, the last one possibly cut,
// within the buffer (each name and its terminator, and the final terminator).
bool fitsShort(const std::vector<std::string>& cut, const std::vector<std::string>& whole,
               std::size_t bufferBytes) {
    if (cut.size() > whole.size()) return false;
    std::size_t used = 1;
    for (std::size_t i = 0; i < cut.size(); ++i) {
        if (!(i + 1 == cut.size() ? whole[i].starts_with(cut[i]) : whole[i] == cut[i])) return false;
        used += encodedLength(cut[i], Codepage::Gbk) + 1;
    }
    return used <= bufferBytes;
}

// Sections and their entries, in the reader's words, within a list buffer of bufferBytes.
std::string listing(const IniFile& file, std::size_t bufferBytes) {
    std::string out;
    for (const std::string& section : file.sectionNames(bufferBytes, Codepage::Gbk)) {
        out += "[" + section + "]\n";
        if (const auto entries = file.sectionEntries(section, bufferBytes, Codepage::Gbk))
            for (const IniEntry& e : *entries) out += e.key + "=" + e.value + "\n";
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile memory;
    IniFile::LoadResult result;
    const IniFile file = IniFile::load(memory.hold(data, size), &result);
    FUZZ_CHECK(result.status == IniFile::LoadStatus::Loaded);

    std::string raw(reinterpret_cast<const char*>(data), size);
    std::erase(raw, '\0');
    const bool marked = raw.starts_with(kUtf8Bom);
    const std::string text =
        marked ? decodeUtf8(std::string_view(raw).substr(kUtf8Bom.size())).utf8 : decodeGbk(raw).utf8;
    FUZZ_CHECK(isValidUtf8(text));

    constexpr std::size_t kWhole = std::size_t{1} << 20;
    const std::vector<std::string> sections = file.sectionNames(kWhole, Codepage::Gbk);
    for (const std::string& section : sections) {
        FUZZ_CHECK(seen(text, section));
        FUZZ_CHECK(file.hasSection(section));
        const std::vector<std::string> keys = file.keyNames(section, kWhole, Codepage::Gbk);
        for (const std::string& key : keys) FUZZ_CHECK(seen(text, key));
        FUZZ_CHECK(fitsShort(file.keyNames(section, 64, Codepage::Gbk), keys, 64));
        const auto entries = file.sectionEntries(section, kWhole, Codepage::Gbk);
        FUZZ_CHECK(entries.has_value());
        for (const IniEntry& e : *entries) {
            FUZZ_CHECK(seen(text, e.key));
            FUZZ_CHECK(seen(text, e.value));
            const std::string got = file.getString(section, e.key, "", kValueReadBuffer, Codepage::Gbk);
            FUZZ_CHECK(encodedLength(got, Codepage::Gbk) < kValueReadBuffer && seen(text, got));
            if (const auto v = file.value(section, e.key)) FUZZ_CHECK(seen(text, *v));
        }
    }
    // A short list buffer holds the same names, the last one possibly cut.
    FUZZ_CHECK(fitsShort(file.sectionNames(64, Codepage::Gbk), sections, 64));

    const IniFile reread = IniFile::parse(file.text());
    FUZZ_CHECK(listing(reread, 1u << 20) == listing(file, 1u << 20));
    FUZZ_CHECK(reread.entryCount() == file.entryCount());

    // A value taken from the input, on one line and without surrounding blanks, reads back as written.
    std::string value = text.substr(0, 40);
    for (char& c : value)
        if (c == '\r' || c == '\n') c = ' ';
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.erase(0, 1);
    if (!isValidUtf8(value)) return 0;
    IniFile edited = file;
    edited.writeString("Fuzz", "Key", value);
    FUZZ_CHECK(edited.value("Fuzz", "Key") == value);
    FUZZ_CHECK(IniFile::parse(edited.text()).value("Fuzz", "Key") == value);
    return 0;
}
