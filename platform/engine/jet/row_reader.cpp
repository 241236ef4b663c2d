#include "row_reader.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "core/conversions.h"
#include "core/error_codes.h"
#include "core/text_form.h"

namespace jet {

namespace {

// Hops allowed from a row's slot to where the row really is: Jet moves a row at
// most once per update, so a long chain can only be damage (or a loop).
constexpr int kMaxOverflowHops = 16;

template <typename T>
T loadAs(const std::uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

bool parseExtDate(const std::uint8_t* p, std::int64_t* ticks) {
    const auto digits = [p](int at, int count, std::int64_t* out) {
        std::int64_t v = 0;
        for (int i = at; i < at + count; ++i) {
            if (p[i] < '0' || p[i] > '9') return false;
            if (v > (INT64_MAX - 9) / 10) return false;
            v = v * 10 + (p[i] - '0');
        }
        *out = v;
        return true;
    };
    std::int64_t day = 0, second = 0, fraction = 0;
    if (!digits(0, kExtDateDayDigits, &day) || p[kExtDateSeparator] != ':' ||
        !digits(kExtDateSeconds, kExtDateSecondDigits, &second) ||
        !digits(kExtDateFraction, kExtDateFractionDigits, &fraction))
        return false;
    constexpr std::int64_t kDays = engine::kLastExtTick / engine::kTicksPerDay + 1;
    if (day >= kDays || second >= 86400) return false;
    *ticks = day * engine::kTicksPerDay + second * engine::kTicksPerSecond + fraction;
    return true;
}

bool unwrapCalculated(const std::uint8_t* p, std::size_t n, const std::uint8_t** result,
                      std::size_t* size) {
    if (n < kCalcResult) return false;
    const std::uint32_t length = le32(p + kCalcResultLength);
    if (length > n - kCalcResult) return false;
    *result = p + kCalcResult;
    *size = length;
    return true;
}

bool parseCalculatedDecimal(const std::uint8_t* p, std::size_t size, engine::Decimal* d) {
    if (size < kCalcDecimalSize) return false;
    d->mantissa = (static_cast<unsigned __int128>(le32(p + kCalcDecimalHigh)) << 64) | le64(p + kCalcDecimalLow);
    d->scale = p[kCalcDecimalScale];
    d->negative = p[kCalcDecimalSign] != 0;
    return true;
}

double singleAsDouble(float f) {
    if (!std::isfinite(f)) return f;
    // The shortest decimal that reads back as f, then the double nearest to it:
    // 0.1f becomes 0.1, as a user typing 0.1 expects.
    // from_chars, unlike strtod, ignores the locale (an Italian one reads "0,1").
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, f).ptr;
    double d = f;
    std::from_chars(buf, end, d);
    return d;
}

bool readVarOffsets(const Format& f, const std::uint8_t* r, unsigned len, unsigned maskSize,
                    std::vector<unsigned>& offsets, unsigned* varAreaEnd) {
    const unsigned cs = static_cast<unsigned>(f.rowColumnCountSize);
    if (len < cs + maskSize) return false;
    const unsigned trailer = len - maskSize;
    offsets.clear();
    if (cs == 2) {
        if (trailer < cs + 2) return false;
        const unsigned count = le16(r + trailer - 2);
        if (trailer < cs + 2 + 2 * (count + 1)) return false;
        for (unsigned i = 0; i <= count; ++i) offsets.push_back(le16(r + trailer - 4 - 2 * i));
        *varAreaEnd = trailer - 2 - 2 * (count + 1);
        return true;
    }
    // Jet 3 keeps one-byte offsets plus a table of the columns where each further
    // 256 bytes begin; its size follows from the row length, so its last entry
    // may be a dummy (format notes, "Data Pages").
    if (trailer < cs + 1) return false;
    const unsigned count = r[trailer - 1];
    unsigned jumps = (len - 1) / 256;
    if (trailer < cs + 2 + jumps + count) return false;
    const unsigned colPtr = trailer - 2 - jumps;
    if (jumps > 0 && colPtr - count < 256 * jumps) --jumps;
    unsigned used = 0;
    for (unsigned i = 0; i <= count; ++i) {
        while (used < jumps && i == r[trailer - 2 - used]) ++used;
        offsets.push_back(r[colPtr - i] + 256 * used);
    }
    *varAreaEnd = colPtr - count;
    return true;
}

RowReader::RowReader(std::shared_ptr<const PageFile> file, std::shared_ptr<const TextDecoder> text,
                     TableDef def)
    : file_(std::move(file)), text_(std::move(text)), def_(std::move(def)) {}

void RowReader::onlyColumns(const std::vector<std::u16string>& names) {
    skip_.assign(def_.columns.size(), true);
    for (std::size_t i = 0; i < def_.columns.size(); ++i)
        for (const auto& n : names)
            if (def_.columns[i].name == n) skip_[i] = false;
}

void RowReader::corrupt(const QString& what) const {
    file_->corrupt(QStringLiteral("table '%1': %2").arg(QString::fromStdU16String(def_.name), what));
}

void RowReader::badValue(const ColumnDef& c, const char* what) const {
    corrupt(QStringLiteral("a value of column '%1' %2")
                .arg(QString::fromStdU16String(c.name), QLatin1String(what)));
}

void RowReader::loadComplexValues() {
    complexValues_.resize(def_.columns.size());
    for (std::size_t ci = 0; ci < def_.columns.size(); ++ci) {
        const ColumnDef& c = def_.columns[ci];
        if (!c.complex || (!skip_.empty() && skip_[ci])) continue;
        RowReader flat(file_, text_, c.complex->flat);
        flat.onlyColumns({c.complex->keyColumn, c.complex->valueColumn});
        std::size_t key = 0, value = 0;
        for (std::size_t i = 0; i < flat.def().columns.size(); ++i) {
            if (flat.def().columns[i].name == c.complex->keyColumn) key = i;
            if (flat.def().columns[i].name == c.complex->valueColumn) value = i;
        }
        auto& joined = complexValues_[ci];
        engine::Row row;
        engine::TextBuffer buffer;
        std::u16string large;
        while (flat.next(row)) {
            if (row[key].type != engine::Type::Long || row[value].isNull()) continue;
            std::u16string& text = joined[static_cast<std::int32_t>(row[key].integer)];
            if (!text.empty()) text += u"; ";
            text += engine::textFormOf(row[value], buffer, large);
        }
    }
}

void RowReader::loadPages() {
    // The usage map lists the pages the table owns (format notes, "Page Usage Maps").
    pagesLoaded_ = true;
    std::vector<std::uint8_t> page;
    file_->read(def_.usageMap >> 8, page);
    unsigned s = 0, e = 0;
    const std::uint16_t slot = findRow(*file_, page, def_.usageMap & 0xff, &s, &e);
    if ((slot & kSlotDeleted) || e - s < 1) corrupt(QStringLiteral("its page usage map is missing"));
    const std::uint32_t count = file_->pageCount();
    const auto addBits = [&](const std::uint8_t* bits, unsigned n, std::uint64_t first) {
        for (unsigned i = 0; i < n; ++i) {
            if (bits[i] == 0) continue;
            for (int b = 0; b < 8; ++b) {
                if (!(bits[i] & (1u << b))) continue;
                const std::uint64_t pg = first + 8ull * i + b;
                if (pg >= count)
                    corrupt(QStringLiteral("it owns page %1, past the end of the file").arg(pg));
                if (pg != 0) pages_.push_back(static_cast<std::uint32_t>(pg));
            }
        }
    };
    const std::uint8_t* m = page.data() + s;
    const unsigned len = e - s;
    if (m[0] == 0) {
        if (len < 5) corrupt(QStringLiteral("its page usage map is cut short"));
        addBits(m + 5, len - 5, le32(m + 1));
    } else if (m[0] == 1) {
        const Format& f = file_->format();
        const std::uint64_t perMapPage = 8ull * (f.pageSize - 4);
        std::vector<std::uint8_t> mapPage;
        for (unsigned k = 0; 1 + 4 * (k + 1) <= len; ++k) {
            const std::uint32_t mp = le32(m + 1 + 4 * k);
            if (mp == 0) continue;
            file_->read(mp, mapPage);
            if (mapPage[0] != kPageUsageMap)
                corrupt(QStringLiteral("page %1 of its usage map is not a map page").arg(mp));
            addBits(mapPage.data() + 4, f.pageSize - 4, perMapPage * k);
        }
    } else {
        corrupt(QStringLiteral("its page usage map has unknown type %1").arg(m[0]));
    }
}

bool RowReader::loadNextPage() {
    const Format& f = file_->format();
    while (pageIndex_ < pages_.size()) {
        const std::uint32_t pg = pages_[pageIndex_++];
        page_ = file_->page(pg, dataRun_, pageAlone_);
        // Usage maps also list pages that no longer hold this table's rows.
        if (page_[0] != kPageData || le32(&page_[kPageTdefPointer]) != def_.tdefPage) continue;
        rowCount_ = le16(&page_[f.dataRowCountOffset]);
        if (f.dataRowCountOffset + 2 + 2 * rowCount_ > f.pageSize)
            corrupt(QStringLiteral("data page %1 claims %2 rows").arg(pg).arg(rowCount_));
        rowIndex_ = 0;
        return true;
    }
    return false;
}

bool RowReader::next(engine::Row& row) {
    if (!pagesLoaded_) {
        if (def_.hasComplex()) loadComplexValues();
        loadPages();
        rowCount_ = rowIndex_ = 0;
    }
    row.resize(def_.columns.size());
    for (;;) {
        while (rowIndex_ < rowCount_) {
            unsigned s = 0, e = 0;
            std::uint16_t slot = findRow(*file_, page_, rowIndex_++, &s, &e);
            // Deleted rows, and rows that were moved here from another page (they
            // are read where their pointer stands), carry the deleted flag.
            if (slot & kSlotDeleted) continue;
            std::span<const std::uint8_t> where = page_;
            for (int hop = 0; slot & kSlotOverflow; ++hop) {
                if (hop == kMaxOverflowHops || e - s < 4)
                    corrupt(QStringLiteral("a moved row cannot be found"));
                const std::uint32_t ptr = le32(where.data() + s);
                file_->read(ptr >> 8, overflow_);
                if (overflow_[0] != kPageData)
                    corrupt(QStringLiteral("a moved row points to page %1, not a data page").arg(ptr >> 8));
                slot = findRow(*file_, overflow_, ptr & 0xff, &s, &e);
                where = overflow_;
            }
            if (e == s) continue;  // an empty slot holds no row
            decodeRow(where.data() + s, e - s, row);
            return true;
        }
        if (!loadNextPage()) return false;
    }
}

void RowReader::decodeRow(const std::uint8_t* r, unsigned len, engine::Row& row) {
    const Format& f = file_->format();
    const unsigned cs = static_cast<unsigned>(f.rowColumnCountSize);
    if (len < cs) corrupt(QStringLiteral("a row is cut short"));
    const unsigned colCount = cs == 1 ? r[0] : le16(r);
    const unsigned maskSize = (colCount + 7) / 8;
    if (cs + maskSize > len) corrupt(QStringLiteral("a row is shorter than its null mask"));
    const std::uint8_t* nullMask = r + len - maskSize;
    const unsigned trailer = len - maskSize;  // the variable-offset table ends here

    unsigned varCount = 0;
    unsigned varAreaEnd = trailer;
    varOffsets_.clear();
    if (def_.varColumnCount > 0 && !readVarOffsets(f, r, len, maskSize, varOffsets_, &varAreaEnd))
        corrupt(QStringLiteral("a row's variable-length table does not fit in it"));
    if (!varOffsets_.empty()) varCount = static_cast<unsigned>(varOffsets_.size() - 1);

    for (std::size_t ci = 0; ci < def_.columns.size(); ++ci) {
        const ColumnDef& c = def_.columns[ci];
        engine::Value& v = row[ci];
        if (!skip_.empty() && skip_[ci]) {
            v.type = engine::Type::Null;
            continue;
        }
        // Columns added after a row was written lie past its column count: null.
        const bool present = c.number < colCount && ((nullMask[c.number / 8] >> (c.number % 8)) & 1);
        if (c.type == kColBool && !c.calculated) {
            v.type = engine::Type::Boolean;
            v.boolean = present;
            continue;
        }
        if (!present) {
            v.type = engine::Type::Null;
            continue;
        }
        unsigned start, n;
        if (c.fixed) {
            start = cs + c.fixedOffset;
            n = c.size;
            if (start + n > trailer)
                corrupt(QStringLiteral("a value of column '%1' lies outside its row")
                            .arg(QString::fromStdU16String(c.name)));
        } else {
            if (c.varIndex >= varCount) {
                v.type = engine::Type::Null;
                continue;
            }
            start = varOffsets_[c.varIndex];
            const unsigned end = varOffsets_[c.varIndex + 1];
            if (start > end || end > varAreaEnd || start < cs)
                corrupt(QStringLiteral("a value of column '%1' lies outside its row")
                            .arg(QString::fromStdU16String(c.name)));
            n = end - start;
        }
        decodeValue(ci, r + start, n, v);
    }
}

void RowReader::decodeValue(std::size_t column, const std::uint8_t* p, unsigned n, engine::Value& v) {
    const ColumnDef& c = def_.columns[column];
    if (c.calculated) return decodeCalculated(column, p, n, v);
    decodeStored(column, p, n, v);
}

void RowReader::decodeStored(std::size_t column, const std::uint8_t* p, unsigned n, engine::Value& v) {
    const ColumnDef& c = def_.columns[column];
    const auto need = [&](unsigned size) {
        if (n < size) badValue(c, "is shorter than its type");
    };
    v.type = c.engineType;
    switch (c.type) {
        case kColBool: need(1); v.boolean = p[0] != 0; break;  // a calculated Yes/No's result
        case kColByte: need(1); v.integer = p[0]; break;
        case kColInt: need(2); v.integer = static_cast<std::int16_t>(le16(p)); break;
        case kColLong: need(4); v.integer = static_cast<std::int32_t>(le32(p)); break;
        case kColMoney: need(8); v.integer = static_cast<std::int64_t>(le64(p)); break;
        case kColBigInt: need(8); v.integer = static_cast<std::int64_t>(le64(p)); break;
        case kColFloat: need(4); v.number = singleAsDouble(loadAs<float>(p)); break;
        case kColDouble:
        case kColDateTime: need(8); v.number = loadAs<double>(p); break;
        case kColExtDate:
            need(kExtDateSize);
            if (!parseExtDate(p, &v.integer)) badValue(c, "is not a Date/Time Extended value");
            break;
        case kColGuid: need(16); v.bytes.assign(reinterpret_cast<const char*>(p), 16); break;
        case kColNumeric: {
            // Sign byte, then the 96..128-bit mantissa as four little-endian words,
            // most significant word first.
            need(17);
            unsigned __int128 m = 0;
            for (int w = 0; w < 4; ++w) m = (m << 32) | le32(p + 1 + 4 * w);
            v.decimal.mantissa = m;
            v.decimal.negative = (p[0] & 0x80) != 0;
            v.decimal.scale = c.scale;
            break;
        }
        case kColText: text_->decode(p, n, v.text); break;
        case kColMemo: readMemo(c, p, n, v.text); break;
        case kColOle: readLongValue(c, p, n, v.bytes); break;
        case kColComplex:
            if (c.complex) {
                need(4);
                decodeComplex(column, p, v);
                break;
            }
            [[fallthrough]];  // not resolved: the raw bytes
        default: v.bytes.assign(reinterpret_cast<const char*>(p), n); break;
    }
}

void RowReader::decodeComplex(std::size_t column, const std::uint8_t* p, engine::Value& v) {
    // The row holds the key of its values in the hidden table; a key without
    // values (none chosen, nothing attached) reads as Null.
    const auto& values = complexValues_[column];
    const auto found = values.find(static_cast<std::int32_t>(le32(p)));
    if (found == values.end()) {
        v.type = engine::Type::Null;
        return;
    }
    v.text = found->second;
}

void RowReader::decodeCalculated(std::size_t column, const std::uint8_t* p, unsigned n, engine::Value& v) {
    const ColumnDef& c = def_.columns[column];
    const std::uint8_t* result = nullptr;
    std::size_t size = 0;
    if (c.type == kColMemo) {  // the wrapping lies inside the long value
        readLongValue(c, p, n, longBytes_);
        if (!unwrapCalculated(reinterpret_cast<const std::uint8_t*>(longBytes_.data()), longBytes_.size(),
                              &result, &size))
            badValue(c, "is cut short");
        v.type = c.engineType;
        text_->decode(result, size, v.text);
        return;
    }
    if (!unwrapCalculated(p, n, &result, &size)) badValue(c, "is cut short");
    v.type = c.engineType;
    switch (c.type) {
        case kColBool: v.boolean = size > 0 && result[0] != 0; return;
        case kColText: text_->decode(result, size, v.text); return;
        case kColNumeric:
            if (size == 0) break;
            if (!parseCalculatedDecimal(result, size, &v.decimal)) badValue(c, "is not a Decimal");
            return;
        default:
            if (size == 0) break;  // a Null result written out
            decodeStored(column, result, static_cast<unsigned>(size), v);
            return;
    }
    v.type = engine::Type::Null;
}

template <typename Take>
void RowReader::forEachPiece(const ColumnDef& c, const std::uint8_t* p, unsigned n, Take take) {
    const auto bad = [&](const QString& what) {
        corrupt(QStringLiteral("a long value of column '%1' %2").arg(QString::fromStdU16String(c.name), what));
    };
    if (n < kLongValueHeader) bad(QStringLiteral("has no header"));
    const std::uint32_t head = le32(p);
    const std::uint32_t len = head & kLongValueLengthMask;
    const std::uint32_t kind = head & ~kLongValueLengthMask;
    // Every byte of the value lies in the file, so a longer claim is damage; this
    // also bounds the work done on a hostile file.
    if (len > file_->byteSize()) bad(QStringLiteral("claims more bytes than the file holds"));
    if (kind == kLongValueInline) {
        if (len > n - kLongValueHeader) bad(QStringLiteral("is cut short"));
        take(p + kLongValueHeader, len, true);
        return;
    }
    std::uint32_t ptr = le32(p + 4);
    if (kind == kLongValueSinglePage) {
        if (len == 0) return take(p, 0, true);
        const auto lval = file_->page(ptr >> 8, lvalRun_, lvalAlone_);
        unsigned s = 0, e = 0;
        findRow(*file_, lval, ptr & 0xff, &s, &e);
        if (e - s < len) bad(QStringLiteral("is cut short"));
        take(lval.data() + s, len, true);
        return;
    }
    if (kind != 0) bad(QStringLiteral("has an unknown kind"));
    if (len == 0) return take(p, 0, true);
    // A chain of pieces: each starts with the pointer to the next.
    for (std::size_t got = 0; got < len;) {
        if (ptr == 0) bad(QStringLiteral("ends before its length"));
        const auto lval = file_->page(ptr >> 8, lvalRun_, lvalAlone_);
        unsigned s = 0, e = 0;
        findRow(*file_, lval, ptr & 0xff, &s, &e);
        if (e - s <= 4) bad(QStringLiteral("has an empty piece"));
        ptr = le32(lval.data() + s);
        const std::size_t size = std::min<std::size_t>(e - s - 4, len - got);
        got += size;
        take(lval.data() + s + 4, size, got == len);
    }
}

void RowReader::readLongValue(const ColumnDef& c, const std::uint8_t* p, unsigned n, std::string& out) {
    out.clear();
    forEachPiece(c, p, n, [&](const std::uint8_t* bytes, std::size_t size, bool) {
        out.append(reinterpret_cast<const char*>(bytes), size);
    });
}

void RowReader::readMemo(const ColumnDef& c, const std::uint8_t* p, unsigned n, std::u16string& out) {
    // A memo in one piece (inline or on one page) is decoded where it lies; the
    // pieces of a longer one are gathered first.
    longBytes_.clear();
    forEachPiece(c, p, n, [&](const std::uint8_t* bytes, std::size_t size, bool last) {
        if (last && longBytes_.empty()) return text_->decode(bytes, size, out);
        longBytes_.append(reinterpret_cast<const char*>(bytes), size);
        if (last) {
            text_->decode(reinterpret_cast<const std::uint8_t*>(longBytes_.data()), longBytes_.size(),
                          out);
        }
    });
}

}  // namespace jet
