// Reads the package parts with the import library's own zip and XML parsers; writes a rebuilt package
// as a plain stored zip (the library inflates nothing then, and the limits were checked on the original).
#include "xlsx_package.hpp"

#include <zlib.h>
#include <orcus/sax_parser.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <cstdint>
#include <map>
#include <memory>

namespace talvex::workbook {
namespace {

class Package {
  public:
    explicit Package(std::string_view zip)
        : stream_(reinterpret_cast<const uint8_t*>(zip.data()), zip.size()), archive_(&stream_) {
        archive_.load();
    }
    std::optional<std::string> read(std::string_view name) const {
        std::vector<unsigned char> buf;
        if (!archive_.read_file_entry(name, buf)) return std::nullopt;
        return std::string(buf.begin(), buf.end());
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (size_t i = 0; i < archive_.get_file_entry_count(); ++i)
            out.emplace_back(archive_.get_file_entry_name(i));
        return out;
    }

  private:
    orcus::zip_archive_stream_blob stream_;
    orcus::zip_archive archive_;
};

std::string directoryOf(std::string_view part) {
    const auto slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash + 1));
}

// "xl/_rels/workbook.xml.rels" -> "xl/" (the folder of the part the relationships belong to).
std::string sourceDirectoryOfRels(std::string_view rels) {
    std::string dir = directoryOf(rels);  // ".../_rels/"
    if (dir.size() >= 6 && dir.compare(dir.size() - 6, 6, "_rels/") == 0) dir.erase(dir.size() - 6);
    return dir;
}

std::string relsOf(std::string_view part) {
    const std::string dir = directoryOf(part);
    return dir + "_rels/" + std::string(part.substr(dir.size())) + ".rels";
}

// A target as a part name: absolute ones from the package root, relative ones from the source folder.
std::string resolveTarget(const std::string& sourceDir, std::string_view target) {
    std::string path =
        target.substr(0, 1) == "/" ? std::string(target.substr(1)) : sourceDir + std::string(target);
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= path.size()) {
        size_t end = path.find('/', at);
        if (end == std::string::npos) end = path.size();
        const std::string piece = path.substr(at, end - at);
        if (piece == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        at = end + 1;
    }
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string relativeTarget(const std::string& sourceDir, const std::string& part) {
    if (part.compare(0, sourceDir.size(), sourceDir) == 0) return part.substr(sourceDir.size());
    std::string up;
    for (char c : sourceDir)
        if (c == '/') up += "../";
    return up + part;
}

using Attributes = std::map<std::string, std::string, std::less<>>;

// Attributes of every element with one local name, in document order.
class ElementCollector {
  public:
    explicit ElementCollector(std::string_view name) : name_(name) {}
    std::vector<Attributes> found;

    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void start_element(const orcus::sax::parser_element& e) {
        if (e.name == name_) found.push_back(std::move(pending_));
        pending_.clear();
    }
    void end_element(const orcus::sax::parser_element&) {}
    void characters(std::string_view, bool) {}
    void attribute(const orcus::sax::parser_attribute& a) {
        pending_[std::string(a.name)] = std::string(a.value);
    }

  private:
    std::string_view name_;
    Attributes pending_;
};

std::vector<Attributes> elements(const std::string& xml, std::string_view name) {
    ElementCollector collector(name);
    orcus::sax_parser<ElementCollector> parser(xml.data(), xml.size(), collector);
    parser.parse();
    return std::move(collector.found);
}

std::string valueOf(const Attributes& a, std::string_view name) {
    const auto it = a.find(name);
    return it == a.end() ? std::string() : it->second;
}

// The relationships part with each absolute target rewritten; nullopt when none was absolute.
std::optional<std::string> relativeRels(const std::string& relsName, std::string xml) {
    const std::string sourceDir = sourceDirectoryOfRels(relsName);
    bool changed = false;
    const std::string marker = "Target=\"/";
    for (size_t at = xml.find(marker); at != std::string::npos; at = xml.find(marker, at + 1)) {
        const size_t open = xml.rfind('<', at), close = xml.find('>', at);
        if (open == std::string::npos || close == std::string::npos) break;
        if (xml.substr(open, close - open).find("TargetMode=\"External\"") != std::string::npos) continue;
        const size_t valueStart = at + marker.size() - 1, valueEnd = xml.find('"', valueStart);
        if (valueEnd == std::string::npos) break;
        const std::string part = resolveTarget(sourceDir, xml.substr(valueStart, valueEnd - valueStart));
        xml.replace(valueStart, valueEnd - valueStart, relativeTarget(sourceDir, part));
        changed = true;
    }
    if (!changed) return std::nullopt;
    return xml;
}

// Collects the text of <c t="inlineStr"> cells: every <t> below the cell's <is>, runs joined.
class InlineStringCollector {
  public:
    InlineStrings result;

    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void start_element(const orcus::sax::parser_element& e) {
        if (e.name == "c") {
            inCell_ = valueOf(pending_, "t") == "inlineStr";
            reference_ = valueOf(pending_, "r");
            text_.clear();
        } else if (e.name == "is" && inCell_) {
            inString_ = true;
        } else if (e.name == "rPh") {
            inPhonetic_ = true;  // reading aids above the text, not part of it
        } else if (e.name == "t") {
            inText_ = inString_ && !inPhonetic_;
        }
        pending_.clear();
    }
    void end_element(const orcus::sax::parser_element& e) {
        if (e.name == "t") {
            inText_ = false;
        } else if (e.name == "rPh") {
            inPhonetic_ = false;
        } else if (e.name == "is") {
            inString_ = false;
        } else if (e.name == "c" && inCell_) {
            inCell_ = false;
            place();
        }
    }
    void characters(std::string_view s, bool) {
        if (inText_) text_ += s;
    }
    void attribute(const orcus::sax::parser_attribute& a) {
        pending_[std::string(a.name)] = std::string(a.value);
    }

  private:
    void place() {
        int column = 0, row = 0;
        size_t i = 0;
        while (i < reference_.size() && reference_[i] >= 'A' && reference_[i] <= 'Z' && column < 100000)
            column = column * 26 + (reference_[i++] - 'A' + 1);
        const size_t digits = i;
        while (i < reference_.size() && reference_[i] >= '0' && reference_[i] <= '9' && row < 100000000)
            row = row * 10 + (reference_[i++] - '0');
        if (column == 0 || i == digits || i != reference_.size() || row == 0) {
            result.placeable = false;
            return;
        }
        result.cells.push_back({row - 1, column - 1, std::move(text_)});
        text_.clear();
    }

    Attributes pending_;
    std::string reference_, text_;
    bool inCell_ = false, inString_ = false, inText_ = false, inPhonetic_ = false;
};

// The part name of the first worksheet: package relationships -> workbook -> its first sheet.
std::optional<std::string> firstSheetPart(const Package& package) {
    const auto rootRels = package.read("_rels/.rels");
    if (!rootRels) return std::nullopt;
    std::string workbook;
    for (const auto& r : elements(*rootRels, "Relationship"))
        if (valueOf(r, "Type").ends_with("/officeDocument"))
            workbook = resolveTarget("", valueOf(r, "Target"));
    const auto workbookXml = package.read(workbook);
    const auto workbookRels = package.read(relsOf(workbook));
    if (!workbookXml || !workbookRels) return std::nullopt;
    const auto sheets = elements(*workbookXml, "sheet");
    if (sheets.empty()) return std::nullopt;
    const std::string id = valueOf(sheets.front(), "id");
    for (const auto& r : elements(*workbookRels, "Relationship"))
        if (valueOf(r, "Id") == id) return resolveTarget(directoryOf(workbook), valueOf(r, "Target"));
    return std::nullopt;
}

// Counts open elements: a whole document has one root element and closes every element it opens.
class Balance {
  public:
    bool whole() const { return roots_ == 1 && depth_ == 0; }

    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void start_element(const orcus::sax::parser_element&) {
        if (depth_++ == 0) ++roots_;
    }
    void end_element(const orcus::sax::parser_element&) { --depth_; }
    void characters(std::string_view, bool) {}
    void attribute(const orcus::sax::parser_attribute&) {}

  private:
    long depth_ = 0;
    int roots_ = 0;
};

bool wholeXml(const std::string& xml) {
    Balance balance;
    try {
        orcus::sax_parser<Balance> parser(xml.data(), xml.size(), balance);
        parser.parse();
    } catch (...) {
        return false;
    }
    return balance.whole();
}

}  // namespace

static void put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
static void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string out, directory;
    for (const auto& [name, data] : entries) {
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        const auto offset = static_cast<std::uint32_t>(out.size());
        const auto size = static_cast<std::uint32_t>(data.size());
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0x0800);  // names in UTF-8
        put16(out, 0);       // stored
        put32(out, 0);       // time and date
        put32(out, crc);
        put32(out, size);
        put32(out, size);
        put16(out, static_cast<unsigned>(name.size()));
        put16(out, 0);
        out += name;
        out += data;
        put32(directory, 0x02014b50);
        put16(directory, 20);
        put16(directory, 20);
        put16(directory, 0x0800);
        put16(directory, 0);
        put32(directory, 0);
        put32(directory, crc);
        put32(directory, size);
        put32(directory, size);
        put16(directory, static_cast<unsigned>(name.size()));
        put32(directory, 0);  // extra and comment lengths
        put32(directory, 0);  // disk number, internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory += name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put32(out, 0);
    put16(out, static_cast<unsigned>(entries.size()));
    put16(out, static_cast<unsigned>(entries.size()));
    put32(out, static_cast<std::uint32_t>(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

std::optional<std::string> firstIncompleteXmlPart(std::string_view zip) {
    const Package package(zip);
    for (const std::string& name : package.names()) {
        if (!name.ends_with(".xml") && !name.ends_with(".rels")) continue;
        const auto data = package.read(name);
        if (!data || !wholeXml(*data)) return name;
    }
    return std::nullopt;
}

std::optional<std::string> withRelativeTargets(std::string_view zip) {
    const Package package(zip);
    std::vector<std::pair<std::string, std::string>> entries;
    bool changed = false;
    for (const std::string& name : package.names()) {
        if (name.ends_with("/")) continue;  // a folder entry
        auto data = package.read(name);
        if (!data) return std::nullopt;  // let the library report what is wrong with it
        if (name.ends_with(".rels"))
            if (auto fixed = relativeRels(name, *data)) {
                data = std::move(fixed);
                changed = true;
            }
        entries.emplace_back(name, std::move(*data));
    }
    if (!changed) return std::nullopt;
    return storedZip(entries);
}

InlineStrings firstSheetInlineStrings(std::string_view zip) {
    const Package package(zip);
    const auto part = firstSheetPart(package);
    if (!part) return {};
    const auto xml = package.read(*part);
    if (!xml || xml->find("inlineStr") == std::string::npos) return {};
    InlineStringCollector collector;
    orcus::sax_parser<InlineStringCollector> parser(xml->data(), xml->size(), collector);
    parser.parse();
    return std::move(collector.result);
}

}  // namespace talvex::workbook
