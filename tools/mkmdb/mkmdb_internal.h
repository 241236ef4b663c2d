#pragma once
// Parts of mkmdb shared between its source files; not for callers.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet_format.h"
#include "mkmdb.h"

namespace mkmdb {

constexpr std::size_t kMaxNameLength = 64;
constexpr std::size_t kMaxColumns = 255;
constexpr std::size_t kHeaderPasswordChars = 20;

// Throws Error when a column list cannot be written.
void checkColumns(const std::string& table, const std::vector<Column>& columns);
double defaultCreationDate();

// A Date/Time Extended value as it is stored: days since 0001-01-01, seconds
// since midnight, 100-ns units. Throws std::invalid_argument for a date or
// time that does not exist or lies outside 0001-01-01..9999-12-31.
struct DateTimeExtendedParts {
    std::int64_t days = 0;
    std::int64_t seconds = 0;
    std::int64_t ticks = 0;
};
DateTimeExtendedParts dateTimeExtendedParts(const DateTimeExtended& value);

namespace detail {

// Two hex digits as a byte; nothing when the text is anything else.
inline std::optional<std::uint8_t> hexByte(std::string_view two) {
    std::uint8_t byte = 0;
    const char* end = two.data() + two.size();
    auto [stop, error] = std::from_chars(two.data(), end, byte, 16);
    if (two.size() != 2 || error != std::errc() || stop != end) return std::nullopt;
    return byte;
}

// Little-endian integers into pages and rows.
inline void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void put64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void append16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void append32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

struct ColumnLayout {
    std::string name;
    std::u16string name16;
    Type type = Type::Text;
    std::uint8_t jetType = 0;
    std::uint16_t number = 0;  // position in the row's null mask
    bool fixed = false;
    std::uint16_t fixedOffset = 0;  // after the row's column count
    std::uint16_t varIndex = 0;
    std::uint16_t length = 0;  // bytes in the tdef: fixed size, or the maximum of a variable column
    std::uint16_t maxChars = 0;  // Text
    bool autoNumber = false;
    bool nullable = true;
    bool compressed = false;
    int precision = 0;
    int scale = 0;
};

struct TableLayout {
    std::string name;
    bool system = false;
    std::vector<ColumnLayout> columns;
    std::uint16_t fixedSize = 0;
    std::uint16_t varCount = 0;
    bool hasLongValues = false;
};

// Throws Error for a column the version cannot hold.
TableLayout layoutTable(const std::string& name, const std::vector<Column>& columns, bool system,
                        const jet::Format& format);

// Unicode text bytes (Jet 4, ACE): the compressed form (0xFF 0xFE marker) when allowed and
// shorter, otherwise UTF-16LE. Throws std::invalid_argument for a text that
// neither form can hold.
void encodeText(std::u16string_view text, bool allowCompression, std::string& out);
// Jet 3 text bytes in code page 1252; throws std::invalid_argument for a
// character the code page lacks.
void encodeCp1252(std::u16string_view text, std::string& out);

// Where long values that do not fit in the row go. Each returns the row
// pointer (page << 8 | row) of the first record.
class LongValueStore {
public:
    virtual ~LongValueStore() = default;
    virtual std::uint32_t storeSinglePage(std::string_view payload) = 0;
    virtual std::uint32_t storeChain(std::string_view payload) = 0;
};

// Encodes rows of one table in the row format of the table's version.
class RowEncoder {
public:
    RowEncoder(const TableLayout& layout, LongValueStore& longValues, const jet::Format& format);
    // Throws Error naming the table, column and rowNumber (1-based).
    void encode(const Row& row, std::uint64_t rowNumber, std::string& out);
    std::int64_t nextAutoNumber() const { return nextAutoNumber_; }
    std::uint64_t longValueCounts[3] = {};  // inline, single page, chained

private:
    enum : std::uint8_t { kInline, kOutside };  // where a long value goes

    void encodeFixed(const ColumnLayout& c, const Value& v, std::uint8_t* at, std::uint8_t* nullMask);
    // Encodes the row's variable values into longPayloads_; returns the row's
    // size with the long values placed as far as their own size goes.
    std::size_t encodeVariables(const Row& row, std::size_t fixedEnd, std::uint8_t* nullMask);
    void placeLongValues(const Row& row, std::size_t size);
    void appendVariables(const Row& row, std::string& out);
    void appendLongValue(const std::string& payload, std::uint8_t placement, std::string& out);
    void encodeVariable(const ColumnLayout& c, const Value& v, std::string& out);
    void encodeString(const ColumnLayout& c, std::u16string_view text, bool allowCompression, std::string& out);
    void appendTrailer(std::string& out, const std::uint16_t* offsets);
    const std::u16string& textOf(const ColumnLayout& c, const Value& v);
    [[noreturn]] void fail(const ColumnLayout& c, const std::string& message) const;
    [[noreturn]] void failRowSize(std::size_t bytes) const;

    const TableLayout& layout_;
    LongValueStore& longValues_;
    const jet::Format& format_;
    std::int64_t nextAutoNumber_ = 1;
    std::uint64_t rowNumber_ = 0;
    std::u16string text16_;
    std::vector<std::string> longPayloads_;
    std::vector<std::uint8_t> longPlacement_;
};

}  // namespace detail
}  // namespace mkmdb
