// The first worksheet of an .xlsx, .ods or CSV file through liborcus's import interfaces: cells are
// collected raw (value, shared string, cached formula result) with their cell format, and turned into
// displayed texts once the whole file is read, because formats may arrive after the values.
#include "loaders.hpp"

#include <orcus/exception.hpp>
#include <orcus/orcus_csv.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <exception>
#include <optional>
#include <unordered_map>
#include <vector>

#include "talvex/workbook/display_text.hpp"
#include "xlsx_package.hpp"

namespace talvex::workbook {
namespace {

namespace ss = orcus::spreadsheet;
namespace iface = orcus::spreadsheet::iface;

struct RawCell {
    enum class Kind { Number, Text, Bool } kind = Kind::Text;
    double number = 0;
    std::string text;
};

struct FormatRange {
    ss::row_t firstRow, lastRow;
    ss::col_t firstColumn, lastColumn;
    size_t xf;
};

// Cell formats: format index of a cell -> number format code. .xlsx gives each cell a cell xf that
// names a numFmtId (built-in ids come without an entry of their own). .ods gives each cell a cell
// style xf whose format is an index into the committed formats; the library does not link an
// automatic cell style to its data style, so .ods numbers come out as General in practice.
class Styles final : public iface::import_styles {
  public:
    explicit Styles(bool xlsx) : byIdentifier_(xlsx) {}

    std::string_view codeOfXf(size_t xf) const {
        const auto& table = byIdentifier_ ? xfFormats_ : styleXfFormats_;
        if (xf >= table.size()) return "General";
        size_t f = table[xf];
        if (byIdentifier_) {
            auto it = codesById_.find(f);
            if (it != codesById_.end()) return it->second;
            return builtinFormatCode(static_cast<int>(f));
        }
        return f < codesByIndex_.size() ? std::string_view(codesByIndex_[f]) : "General";
    }

    void set_number_format_identifier(size_t id) override { pendingId_ = id; }
    void set_number_format_code(std::string_view s) override { pendingCode_ = s; }
    size_t commit_number_format() override {
        codesById_[pendingId_] = pendingCode_;
        codesByIndex_.push_back(pendingCode_);
        pendingId_ = 0;
        pendingCode_.clear();
        return codesByIndex_.size() - 1;
    }
    void set_xf_number_format(size_t index) override { pendingXfFormat_ = index; }
    size_t commit_cell_xf() override {
        xfFormats_.push_back(pendingXfFormat_);
        pendingXfFormat_ = 0;
        return xfFormats_.size() - 1;
    }
    size_t commit_cell_style_xf() override {
        styleXfFormats_.push_back(pendingXfFormat_);
        pendingXfFormat_ = 0;
        return styleXfFormats_.size() - 1;
    }
    size_t commit_dxf() override {
        pendingXfFormat_ = 0;
        return dxfs_++;
    }

    // Everything else about the look of cells does not change their text.
    void set_font_count(size_t) override {}
    void set_font_bold(bool) override {}
    void set_font_italic(bool) override {}
    void set_font_name(std::string_view) override {}
    void set_font_size(double) override {}
    void set_font_underline(ss::underline_t) override {}
    void set_font_underline_width(ss::underline_width_t) override {}
    void set_font_underline_mode(ss::underline_mode_t) override {}
    void set_font_underline_type(ss::underline_type_t) override {}
    void set_font_underline_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                                  ss::color_elem_t) override {}
    void set_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_strikethrough_style(ss::strikethrough_style_t) override {}
    void set_strikethrough_type(ss::strikethrough_type_t) override {}
    void set_strikethrough_width(ss::strikethrough_width_t) override {}
    void set_strikethrough_text(ss::strikethrough_text_t) override {}
    size_t commit_font() override { return fonts_++; }
    void set_fill_count(size_t) override {}
    void set_fill_pattern_type(ss::fill_pattern_t) override {}
    void set_fill_fg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_fill_bg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    size_t commit_fill() override { return fills_++; }
    void set_border_count(size_t) override {}
    void set_border_style(ss::border_direction_t, ss::border_style_t) override {}
    void set_border_color(ss::border_direction_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                          ss::color_elem_t) override {}
    void set_border_width(ss::border_direction_t, double, orcus::length_unit_t) override {}
    size_t commit_border() override { return borders_++; }
    void set_cell_hidden(bool) override {}
    void set_cell_locked(bool) override {}
    void set_cell_print_content(bool) override {}
    void set_cell_formula_hidden(bool) override {}
    size_t commit_cell_protection() override { return protections_++; }
    void set_number_format_count(size_t) override {}
    void set_cell_xf_count(size_t) override {}
    void set_cell_style_xf_count(size_t) override {}
    void set_dxf_count(size_t) override {}
    void set_xf_font(size_t) override {}
    void set_xf_fill(size_t) override {}
    void set_xf_border(size_t) override {}
    void set_xf_protection(size_t) override {}
    void set_xf_style_xf(size_t) override {}
    void set_xf_apply_alignment(bool) override {}
    void set_xf_horizontal_alignment(ss::hor_alignment_t) override {}
    void set_xf_vertical_alignment(ss::ver_alignment_t) override {}
    void set_cell_style_count(size_t) override {}
    void set_cell_style_name(std::string_view) override {}
    void set_cell_style_xf(size_t) override {}
    void set_cell_style_builtin(size_t) override {}
    void set_cell_style_parent_name(std::string_view) override {}
    size_t commit_cell_style() override { return cellStyles_++; }

  private:
    bool byIdentifier_;
    size_t pendingId_ = 0;
    std::string pendingCode_;
    size_t pendingXfFormat_ = 0;
    std::unordered_map<size_t, std::string> codesById_;
    std::vector<std::string> codesByIndex_;
    std::vector<size_t> xfFormats_, styleXfFormats_;
    size_t dxfs_ = 0, fonts_ = 0, fills_ = 0, borders_ = 0, protections_ = 0, cellStyles_ = 0;
};

class SharedStrings final : public iface::import_shared_strings {
  public:
    const std::string& at(size_t i) const {
        static const std::string empty;
        return i < strings_.size() ? strings_[i] : empty;
    }
    size_t append(std::string_view s) override {
        strings_.emplace_back(s);
        return strings_.size() - 1;
    }
    size_t add(std::string_view s) override {
        auto it = index_.find(std::string(s));
        if (it != index_.end()) return it->second;
        size_t i = append(s);
        index_.emplace(strings_.back(), i);
        return i;
    }
    void append_segment(std::string_view s) override { segments_.append(s); }
    size_t commit_segments() override {
        size_t i = append(segments_);
        segments_.clear();
        return i;
    }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                                ss::color_elem_t) override {}

  private:
    std::vector<std::string> strings_;
    std::unordered_map<std::string, size_t> index_;
    std::string segments_;
};

// Collects the cells of one sheet within the limits; the first cell beyond them marks the sheet as
// too large and the rest is ignored (the parser itself is bounded by the unpacked size).
class SheetSink final : public iface::import_sheet {
  public:
    SheetSink(const SharedStrings& strings, const ReadLimits& limits) : strings_(strings), limits_(limits) {}

    bool tooLarge() const { return tooLarge_; }

    void put(ss::row_t row, ss::col_t col, RawCell cell) {
        if (tooLarge_) return;
        if (row < 0 || col < 0 || row >= limits_.maxRows || col >= limits_.maxColumns ||
            cells_.size() >= limits_.maxCells) {
            tooLarge_ = true;
            return;
        }
        cells_[key(row, col)] = std::move(cell);
    }

    // formattedCellsAreUsed: an .xlsx cell element with a format but no value (<c r="A2" s="3"/>)
    // belongs to the used range, as the spreadsheet application that wrote it counts it.
    void render(const Styles& styles, bool formattedCellsAreUsed, Sheet& out) const {
        if (formattedCellsAreUsed)
            for (const auto& [k, xf] : cellXf_)
                if (xf != 0)
                    out.markUsed(static_cast<int>(k >> 32), static_cast<int>(static_cast<std::uint32_t>(k)));
        for (const auto& [k, cell] : cells_) {
            auto row = static_cast<ss::row_t>(k >> 32);
            auto col = static_cast<ss::col_t>(k & 0xFFFFFFFFu);
            switch (cell.kind) {
                case RawCell::Kind::Text:
                    out.setCell(row, col, cell.text);
                    break;
                case RawCell::Kind::Bool:
                    out.setCell(row, col, cell.number != 0 ? "TRUE" : "FALSE");
                    break;
                case RawCell::Kind::Number:
                    out.setCell(row, col, displayText(cell.number, styles.codeOfXf(xfOf(row, col))));
                    break;
            }
        }
    }

    // import_sheet
    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override {
        put(row, col, {RawCell::Kind::Text, 0, std::string(s)});
    }
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t sindex) override {
        put(row, col, {RawCell::Kind::Text, 0, strings_.at(sindex)});
    }
    void set_value(ss::row_t row, ss::col_t col, double value) override {
        put(row, col, {RawCell::Kind::Number, value, {}});
    }
    void set_bool(ss::row_t row, ss::col_t col, bool value) override {
        put(row, col, {RawCell::Kind::Bool, value ? 1.0 : 0.0, {}});
    }
    void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int hour, int minute,
                       double second) override {
        char buf[48];
        if (hour == 0 && minute == 0 && second == 0)
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
        else
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                          static_cast<int>(second));
        put(row, col, {RawCell::Kind::Text, 0, buf});
    }
    void set_format(ss::row_t row, ss::col_t col, size_t xf) override {
        if (row >= 0 && col >= 0 && row < limits_.maxRows && col < limits_.maxColumns)
            cellXf_[key(row, col)] = xf;
    }
    void set_format(ss::row_t r0, ss::col_t c0, ss::row_t r1, ss::col_t c1, size_t xf) override {
        if (ranges_.size() < kMaxRanges) ranges_.push_back({r0, r1, c0, c1, xf});
    }
    void fill_down_cells(ss::row_t srcRow, ss::col_t srcCol, ss::row_t rangeSize) override {
        auto it = cells_.find(key(srcRow, srcCol));
        if (it == cells_.end()) return;
        RawCell copy = it->second;
        for (ss::row_t r = 1; r <= rangeSize && !tooLarge_; ++r) put(srcRow + r, srcCol, copy);
    }
    ss::range_size_t get_sheet_size() const override { return {1048576, 16384}; }
    iface::import_formula* get_formula() override { return &formula_; }

  private:
    static constexpr size_t kMaxRanges = 100000;
    static std::uint64_t key(ss::row_t r, ss::col_t c) {
        return (static_cast<std::uint64_t>(r) << 32) | static_cast<std::uint32_t>(c);
    }
    size_t xfOf(ss::row_t row, ss::col_t col) const {
        auto it = cellXf_.find(key(row, col));
        if (it != cellXf_.end()) return it->second;
        for (auto r = ranges_.rbegin(); r != ranges_.rend(); ++r)
            if (row >= r->firstRow && row <= r->lastRow && col >= r->firstColumn && col <= r->lastColumn)
                return r->xf;
        return 0;
    }

    // A formula shows its cached result; the formula text itself is not evaluated here.
    class Formula final : public iface::import_formula {
      public:
        explicit Formula(SheetSink& sheet) : sheet_(sheet) {}
        void set_position(ss::row_t row, ss::col_t col) override {
            row_ = row;
            col_ = col;
            result_.reset();
        }
        void set_formula(ss::formula_grammar_t, std::string_view) override {}
        void set_shared_formula_index(size_t) override {}
        void set_result_string(std::string_view v) override {
            result_ = RawCell{RawCell::Kind::Text, 0, std::string(v)};
        }
        void set_result_value(double v) override { result_ = RawCell{RawCell::Kind::Number, v, {}}; }
        void set_result_bool(bool v) override { result_ = RawCell{RawCell::Kind::Bool, v ? 1.0 : 0.0, {}}; }
        void set_result_empty() override { result_.reset(); }
        void commit() override {
            if (result_) sheet_.put(row_, col_, *result_);
            result_.reset();
        }

      private:
        SheetSink& sheet_;
        ss::row_t row_ = 0;
        ss::col_t col_ = 0;
        std::optional<RawCell> result_;
    };

    const SharedStrings& strings_;
    const ReadLimits& limits_;
    bool tooLarge_ = false;
    std::unordered_map<std::uint64_t, RawCell> cells_;
    std::unordered_map<std::uint64_t, size_t> cellXf_;
    std::vector<FormatRange> ranges_;
    Formula formula_{*this};
};

// Sheets after the first are parsed by the library anyway; they land here and are dropped.
class IgnoredSheet final : public iface::import_sheet {
  public:
    void set_auto(ss::row_t, ss::col_t, std::string_view) override {}
    void set_string(ss::row_t, ss::col_t, ss::string_id_t) override {}
    void set_value(ss::row_t, ss::col_t, double) override {}
    void set_bool(ss::row_t, ss::col_t, bool) override {}
    void set_date_time(ss::row_t, ss::col_t, int, int, int, int, int, double) override {}
    void set_format(ss::row_t, ss::col_t, size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, size_t) override {}
    void fill_down_cells(ss::row_t, ss::col_t, ss::row_t) override {}
    ss::range_size_t get_sheet_size() const override { return {1048576, 16384}; }
};

// "B3", "$B$3", "Sheet1!B3" -> zero-based row and column; the library asks this of .xlsx files for the
// dimension record and shared formulas.
class ReferenceResolver final : public iface::import_reference_resolver {
  public:
    ss::src_address_t resolve_address(std::string_view a) override {
        if (auto bang = a.rfind('!'); bang != std::string_view::npos) a.remove_prefix(bang + 1);
        ss::src_address_t out{0, 0, 0};
        size_t i = 0;
        if (i < a.size() && a[i] == '$') ++i;
        long col = 0, row = 0;
        size_t letters = i;
        while (i < a.size() && std::isalpha(static_cast<unsigned char>(a[i])) && col < 1000000)
            col = col * 26 + (std::toupper(static_cast<unsigned char>(a[i++])) - 'A' + 1);
        if (i == letters) throw orcus::invalid_arg_error("no column in cell address");
        if (i < a.size() && a[i] == '$') ++i;
        size_t digits = i;
        while (i < a.size() && std::isdigit(static_cast<unsigned char>(a[i])) && row < 100000000)
            row = row * 10 + (a[i++] - '0');
        if (i == digits || i != a.size() || row == 0) throw orcus::invalid_arg_error("bad cell address");
        out.row = static_cast<ss::row_t>(row - 1);
        out.column = static_cast<ss::col_t>(col - 1);
        return out;
    }
    ss::src_range_t resolve_range(std::string_view r) override {
        size_t colon = r.find(':');
        if (colon == std::string_view::npos) {
            auto a = resolve_address(r);
            return {a, a};
        }
        return {resolve_address(r.substr(0, colon)), resolve_address(r.substr(colon + 1))};
    }
};

class Factory final : public iface::import_factory {
  public:
    Factory(bool stylesById, const ReadLimits& limits) : styles_(stylesById), first_(strings_, limits) {}

    const SheetSink& firstSheet() const { return first_; }
    SheetSink& firstSheet() { return first_; }
    const Styles& styles() const { return styles_; }
    bool sawSheet() const { return sawSheet_; }

    iface::import_shared_strings* get_shared_strings() override { return &strings_; }
    iface::import_styles* get_styles() override { return &styles_; }
    iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override {
        return &resolver_;
    }
    iface::import_sheet* append_sheet(ss::sheet_t index, std::string_view name) override {
        if (index == 0) {
            sawSheet_ = true;
            firstName_ = name;
            return &first_;
        }
        return &ignored_;
    }
    iface::import_sheet* get_sheet(std::string_view name) override {
        if (sawSheet_ && name == firstName_) return &first_;
        return sawSheet_ ? &ignored_ : nullptr;
    }
    iface::import_sheet* get_sheet(ss::sheet_t index) override {
        if (!sawSheet_) return nullptr;
        return index == 0 ? static_cast<iface::import_sheet*>(&first_) : &ignored_;
    }
    void finalize() override {}

  private:
    SharedStrings strings_;
    Styles styles_;
    SheetSink first_;
    IgnoredSheet ignored_;
    ReferenceResolver resolver_;
    bool sawSheet_ = false;
    std::string firstName_;
};

// An .ods whose manifest declares encryption has scrambled XML inside; say so instead of "damaged".
bool odsEncrypted(std::string_view bytes) {
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<unsigned char> manifest;
    if (!archive.read_file_entry("META-INF/manifest.xml", manifest)) return false;
    std::string_view text(reinterpret_cast<const char*>(manifest.data()), manifest.size());
    return text.find("encryption-data") != std::string_view::npos;
}

}  // namespace

ReadResult loadWithOrcus(std::string_view bytes, SourceFormat format, const ReadLimits& limits) {
    ReadResult result;
    try {
        if (format == SourceFormat::Ods && odsEncrypted(bytes)) {
            result.error = ReadError::Encrypted;
            return result;
        }
        if (format != SourceFormat::Csv)
            if (const auto part = firstIncompleteXmlPart(bytes)) {
                result.error = ReadError::Damaged;
                result.detail = "part cut short or not well-formed: " + *part;
                return result;
            }
        Factory factory(format == SourceFormat::Xlsx, limits);
        if (format == SourceFormat::Xlsx) {
            const std::optional<std::string> relative = withRelativeTargets(bytes);
            const std::string_view package = relative ? std::string_view(*relative) : bytes;
            orcus::orcus_xlsx filter(&factory);
            filter.read_stream(package);
            InlineStrings inlineStrings = firstSheetInlineStrings(package);
            if (!inlineStrings.placeable) {
                result.error = ReadError::Damaged;
                result.detail = "inline string cell without a reference";
                return result;
            }
            for (auto& cell : inlineStrings.cells)
                factory.firstSheet().put(cell.row, cell.column,
                                         {RawCell::Kind::Text, 0, std::move(cell.text)});
        } else if (format == SourceFormat::Ods) {
            orcus::orcus_ods filter(&factory);
            filter.read_stream(bytes);
        } else {
            orcus::orcus_csv filter(&factory);
            filter.read_stream(bytes);
        }
        if (factory.firstSheet().tooLarge()) {
            result.error = ReadError::TooLarge;
            return result;
        }
        if (!factory.sawSheet() && format != SourceFormat::Csv) {
            result.error = ReadError::Damaged;
            result.detail = "no worksheet";
            return result;
        }
        factory.firstSheet().render(factory.styles(), format == SourceFormat::Xlsx, result.sheet);
    } catch (const std::exception& e) {
        result = {};
        result.error = ReadError::Damaged;
        result.detail = e.what();
    } catch (...) {
        result = {};
        result.error = ReadError::Damaged;
    }
    return result;
}

}  // namespace talvex::workbook
