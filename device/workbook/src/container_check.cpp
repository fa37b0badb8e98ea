// Classifies a file before any format library sees it: a zip's central directory is walked to catch
// truncation, encryption and decompression bombs; a compound file is an .xls (or an encrypted .xlsx).
#include <zlib.h>
#include <orcus/format_detection.hpp>

#include <cstdint>
#include <cstring>
#include <exception>

#include "loaders.hpp"

namespace talvex::workbook {
namespace {

constexpr std::uint32_t kEndOfDirectory = 0x06054b50;
constexpr std::uint32_t kDirectoryEntry = 0x02014b50;
constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr unsigned char kCompoundMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::uint32_t le32(std::string_view b, size_t at) {
    auto u = [&](size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])); };
    return u(0) | (u(1) << 8) | (u(2) << 16) | (u(3) << 24);
}
std::uint16_t le16(std::string_view b, size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

// The entry's data inflates (or is stored) to exactly its size with its checksum. The import library
// checks neither, and reads a damaged part as good data.
bool entryIntact(std::string_view data, std::uint16_t method, std::uint32_t size, std::uint32_t crc) {
    if (method == 0)
        return data.size() == size &&
               crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())) == crc;
    if (method != 8) return false;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    unsigned char out[16384];
    uLong sum = crc32(0, nullptr, 0);
    std::uint64_t produced = 0;
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = out;
        z.avail_out = sizeof out;
        rc = inflate(&z, Z_NO_FLUSH);
        const size_t n = sizeof out - z.avail_out;
        produced += n;
        if (produced > size) break;  // more than it says: never inflate past the checked limit
        sum = crc32(sum, out, static_cast<uInt>(n));
        if (rc == Z_BUF_ERROR && z.avail_in == 0) break;  // the data ends before the stream does
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END && produced == size && sum == crc;
}

ContainerCheck checkZip(std::string_view b, const ReadLimits& limits) {
    ContainerCheck c;
    // The end record sits in the last 22 + 65535 bytes (its comment is at most 64 KiB).
    size_t eocd = std::string_view::npos;
    if (b.size() >= 22) {
        size_t stop = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
        for (size_t i = b.size() - 22 + 1; i-- > stop;) {
            if (le32(b, i) == kEndOfDirectory) {
                eocd = i;
                break;
            }
        }
    }
    if (eocd == std::string_view::npos) {
        c.error = ReadError::Truncated;
        c.detail = "zip end record missing";
        return c;
    }
    std::uint16_t entries = le16(b, eocd + 10);
    std::uint32_t dirSize = le32(b, eocd + 12);
    std::uint32_t dirOffset = le32(b, eocd + 16);
    if (entries == 0xFFFF || dirOffset == 0xFFFFFFFFu) {
        c.error = ReadError::TooLarge;
        c.detail = "zip64 archive";
        return c;
    }
    // The import library walks the directory by its own count: an end record whose counts disagree, or
    // that speaks of other disks, would let it unpack entries this walk never checked (sizes included).
    if (le16(b, eocd + 4) != 0 || le16(b, eocd + 6) != 0 || le16(b, eocd + 8) != entries) {
        c.error = ReadError::Damaged;
        c.detail = "zip directory damaged: entry counts disagree";
        return c;
    }
    if (static_cast<std::uint64_t>(dirOffset) + dirSize > eocd) {
        c.error = ReadError::Truncated;
        c.detail = "zip directory outside the file";
        return c;
    }
    std::uint64_t unpacked = 0;
    size_t at = dirOffset;
    for (unsigned i = 0; i < entries; ++i) {
        if (at + 46 > eocd || le32(b, at) != kDirectoryEntry) {
            c.error = ReadError::Damaged;
            c.detail = "zip directory damaged";
            return c;
        }
        std::uint16_t flags = le16(b, at + 8);
        std::uint16_t method = le16(b, at + 10);
        std::uint32_t crc = le32(b, at + 16);
        std::uint32_t packed = le32(b, at + 20);
        std::uint32_t size = le32(b, at + 24);
        std::uint32_t local = le32(b, at + 42);
        if (flags & 1u) {
            c.error = ReadError::Encrypted;
            return c;
        }
        if (static_cast<std::uint64_t>(local) + 30 + packed > dirOffset || le32(b, local) != kLocalHeader) {
            c.error = ReadError::Truncated;
            c.detail = "zip entry outside the file";
            return c;
        }
        unpacked += size;
        if (size == 0xFFFFFFFFu || unpacked > limits.maxUnpackedBytes) {
            c.error = ReadError::TooLarge;
            c.detail = "unpacked content too large";
            return c;
        }
        const std::uint64_t data =
            static_cast<std::uint64_t>(local) + 30 + le16(b, local + 26) + le16(b, local + 28);
        if (data + packed > dirOffset) {
            c.error = ReadError::Truncated;
            c.detail = "zip entry outside the file";
            return c;
        }
        if (!entryIntact(b.substr(data, packed), method, size, crc)) {
            c.error = ReadError::Damaged;
            c.detail = "zip entry fails its checksum: " + std::string(b.substr(at + 46, le16(b, at + 28)));
            return c;
        }
        at += 46 + le16(b, at + 28) + le16(b, at + 30) + le16(b, at + 32);
    }
    if (at != static_cast<std::uint64_t>(dirOffset) + dirSize) {
        c.error = ReadError::Damaged;
        c.detail = "zip directory damaged: entries do not fill it";
        return c;
    }
    // The library's own look at the package parses part of it and may throw on what it finds.
    orcus::format_t kind = orcus::format_t::unknown;
    try {
        kind = orcus::detect(reinterpret_cast<const unsigned char*>(b.data()), b.size());
    } catch (const std::exception& e) {
        c.error = ReadError::Damaged;
        c.detail = e.what();
        return c;
    } catch (...) {
        c.error = ReadError::Damaged;
        return c;
    }
    switch (kind) {
        case orcus::format_t::xlsx:
            c.format = SourceFormat::Xlsx;
            break;
        case orcus::format_t::ods:
            c.format = SourceFormat::Ods;
            break;
        default:
            c.error = ReadError::NotWorkbook;
            c.detail = "zip archive of another kind";
    }
    return c;
}

bool containsUtf16(std::string_view b, std::string_view ascii) {
    std::string wide;
    for (char ch : ascii) {
        wide += ch;
        wide += '\0';
    }
    return b.find(wide) != std::string_view::npos;
}

}  // namespace

ContainerCheck checkContainer(std::string_view b, bool csvName, const ReadLimits& limits) {
    ContainerCheck c;
    if (b.size() > limits.maxFileBytes) {
        c.error = ReadError::TooLarge;
        return c;
    }
    if (b.size() >= 4 && le32(b, 0) == kLocalHeader) return checkZip(b, limits);
    if (b.size() >= 8 && std::memcmp(b.data(), kCompoundMagic, 8) == 0) {
        // Office keeps a password-protected .xlsx in a compound file with these streams.
        if (containsUtf16(b, "EncryptionInfo") || containsUtf16(b, "EncryptedPackage")) {
            c.error = ReadError::Encrypted;
            return c;
        }
        c.format = SourceFormat::Xls;
        return c;
    }
    if (!csvName || b.substr(0, 4096).find('\0') != std::string_view::npos) {
        c.error = ReadError::NotWorkbook;
        return c;
    }
    c.format = SourceFormat::Csv;
    return c;
}

}  // namespace talvex::workbook
