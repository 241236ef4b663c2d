// Lays a database out in pages of its version and writes them: the header page, table
// definitions, data and long-value pages, usage maps and the catalogue.
//
// Order of work: each user table gets its definition page(s) reserved, then its
// rows are streamed into data pages (long values into LVAL pages as they come);
// the system tables follow, then the catalogue rows of MSysObjects (whose
// definition is always page 2), then the usage maps; the definitions and the
// header page are written last, once every page number is known.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "mkmdb_internal.h"

namespace mkmdb {

using namespace detail;

namespace {

using Page = std::array<std::uint8_t, jet::kMaxPageSize>;

std::uint32_t rowPointer(std::uint32_t page, std::uint32_t row) { return page << 8 | row; }

// Writes the output file page by page, in any order, and hands out page numbers.
class PageWriter {
public:
    PageWriter(int fd, const jet::Format& format) : fd_(fd), format_(format) {}
    const jet::Format& format() const { return format_; }
    std::uint32_t allocate(std::uint32_t count = 1) {
        std::uint32_t first = next_;
        next_ += count;
        if (next_ >= (1u << 24)) throw Error("the database would pass 2^24 pages (64 GiB)");
        return first;
    }
    std::uint32_t pageCount() const { return next_; }
    void write(std::uint32_t page, const std::uint8_t* data) {
        const std::uint8_t* p = data;
        std::size_t left = format_.pageSize;
        off_t at = static_cast<off_t>(page) * static_cast<off_t>(format_.pageSize);
        while (left > 0) {
            ssize_t n = ::pwrite(fd_, p, left, at);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw Error(std::string("cannot write the database: ") + std::strerror(errno));
            }
            p += n;
            left -= static_cast<std::size_t>(n);
            at += n;
        }
    }

private:
    int fd_;
    const jet::Format& format_;
    std::uint32_t next_ = 0;
};

// A data or long-value page being filled: row offsets grow from the header,
// rows from the page end.
class RowPage {
public:
    void start(std::uint32_t number, const std::uint8_t owner[4], const jet::Format& format) {
        format_ = &format;
        page_.fill(0);
        page_[0] = jet::kPageData;
        page_[1] = 0x01;
        std::memcpy(&page_[jet::kDataOwner], owner, 4);
        number_ = number;
        rows_ = 0;
        top_ = format.pageSize;
        open_ = true;
    }
    bool open() const { return open_; }
    std::uint32_t number() const { return number_; }
    bool fits(std::size_t size) const {
        return open_ && rows_ < jet::kMaxRowsPerPage && format_->dataRowOffsets + 2 * (rows_ + 1) + size <= top_;
    }
    std::size_t freeSpace() const { return top_ - format_->dataRowOffsets - 2 * rows_; }
    std::uint32_t add(std::string_view row) {
        top_ -= row.size();
        std::memcpy(&page_[top_], row.data(), row.size());
        put16(&page_[format_->dataRowOffsets + 2 * rows_], static_cast<std::uint32_t>(top_));
        return rows_++;
    }
    void flush(PageWriter& out) {
        put16(&page_[jet::kDataFreeSpace], static_cast<std::uint32_t>(freeSpace()));
        put16(&page_[format_->dataRowCount], rows_);
        out.write(number_, page_.data());
        open_ = false;
    }

private:
    Page page_{};
    const jet::Format* format_ = nullptr;
    std::uint32_t number_ = 0;
    std::uint32_t rows_ = 0;
    std::size_t top_ = 0;
    bool open_ = false;
};

constexpr std::uint8_t kLvalOwner[4] = {'L', 'V', 'A', 'L'};

// Streams one table's rows into its data pages and its long values into LVAL
// pages; remembers the pages for the usage maps.
class TableWriter : public LongValueStore {
public:
    TableWriter(PageWriter& out, const TableLayout& layout, std::uint32_t tdefPage,
                std::size_t piece = 0)
        : out_(out), encoder_(layout, *this, out.format()), piece_(piece) {
        put32(owner_, tdefPage);
    }

    void add(const Row& row) {
        encoder_.encode(row, ++rows_, buffer_);
        if (!data_.fits(buffer_.size())) {
            if (data_.open()) data_.flush(out_);
            std::uint32_t page = out_.allocate();
            data_.start(page, owner_, out_.format());
            dataPages.push_back(page);
        }
        data_.add(buffer_);
    }

    void finish() {
        if (data_.open()) {
            lastDataPageFree = data_.freeSpace();
            data_.flush(out_);
        }
        if (lval_.open()) lval_.flush(out_);
    }

    std::uint32_t storeSinglePage(std::string_view payload) override {
        if (!lval_.fits(payload.size())) {
            if (lval_.open()) lval_.flush(out_);
            std::uint32_t page = out_.allocate();
            lval_.start(page, kLvalOwner, out_.format());
            lvalPages.push_back(page);
        }
        return rowPointer(lval_.number(), lval_.add(payload));
    }

    std::uint32_t storeChain(std::string_view payload) override {
        // One record per page, the last one exactly as long as what is left:
        // readers stop at the value's length only between records.
        const std::size_t whole = out_.format().lvalChunk();
        const std::size_t chunkSize = piece_ != 0 && piece_ < whole ? piece_ : whole;
        std::size_t chunks = (payload.size() + chunkSize - 1) / chunkSize;
        std::uint32_t first = out_.allocate(static_cast<std::uint32_t>(chunks));
        std::string record;
        RowPage page;
        for (std::size_t i = 0; i < chunks; ++i) {
            std::string_view chunk = payload.substr(i * chunkSize, chunkSize);
            record.clear();
            append32(record, i + 1 < chunks ? rowPointer(first + static_cast<std::uint32_t>(i) + 1, 0) : 0);
            record.append(chunk);
            page.start(first + static_cast<std::uint32_t>(i), kLvalOwner, out_.format());
            page.add(record);
            page.flush(out_);
            lvalPages.push_back(first + static_cast<std::uint32_t>(i));
        }
        return rowPointer(first, 0);
    }

    std::uint64_t rowCount() const { return rows_; }
    std::int64_t nextAutoNumber() const { return encoder_.nextAutoNumber(); }
    const std::uint64_t* longValueCounts() const { return encoder_.longValueCounts; }

    std::vector<std::uint32_t> dataPages;
    std::vector<std::uint32_t> lvalPages;
    std::size_t lastDataPageFree = 0;

private:
    PageWriter& out_;
    RowEncoder encoder_;
    std::uint8_t owner_[4];
    RowPage data_;
    RowPage lval_;
    std::string buffer_;
    std::uint64_t rows_ = 0;
    std::size_t piece_;
};

// Usage-map records live as rows of map-holder data pages.
class UsageMaps {
public:
    explicit UsageMaps(PageWriter& out, std::uint32_t firstHolder) : out_(out) {
        holder_.start(firstHolder, holderOwner_, out.format());
    }

    // Returns the row pointer of a map record listing pages (sorted).
    std::uint32_t add(const std::vector<std::uint32_t>& pages) {
        std::string record;
        std::uint32_t lo = pages.empty() ? 0 : pages.front();
        std::uint32_t hi = pages.empty() ? 0 : pages.back();
        std::size_t inlineBytes = (hi - lo) / 8 + 1;
        if (inlineBytes <= out_.format().pageSize * 3 / 4) {
            record.push_back(static_cast<char>(jet::kMapInline));
            append32(record, lo);
            record.append(inlineBytes, '\0');
            for (std::uint32_t p : pages) record[5 + (p - lo) / 8] |= static_cast<char>(1u << ((p - lo) % 8));
        } else {
            // One usage-map page per kUsageMapPageBits pages of the file.
            const std::size_t bits = out_.format().usageMapPageBits();
            std::size_t slots = hi / bits + 1;
            record.push_back(static_cast<char>(jet::kMapPages));
            std::size_t i = 0;
            for (std::size_t slot = 0; slot < slots; ++slot) {
                Page page{};
                bool any = false;
                std::uint32_t base = static_cast<std::uint32_t>(slot * bits);
                for (; i < pages.size() && pages[i] < base + bits; ++i) {
                    std::uint32_t bit = pages[i] - base;
                    page[4 + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
                    any = true;
                }
                if (!any) {
                    append32(record, 0);
                    continue;
                }
                page[0] = jet::kPageUsageMap;
                page[1] = 0x01;
                std::uint32_t number = out_.allocate();
                out_.write(number, page.data());
                append32(record, number);
            }
        }
        if (!holder_.fits(record.size())) {
            holder_.flush(out_);
            holder_.start(out_.allocate(), holderOwner_, out_.format());
        }
        return rowPointer(holder_.number(), holder_.add(record));
    }

    void finish() { holder_.flush(out_); }

private:
    PageWriter& out_;
    RowPage holder_;
    // Access marks its map-holder page 1 as owned by page 1.
    const std::uint8_t holderOwner_[4] = {1, 0, 0, 0};
};

struct TableResult {
    std::uint64_t rows = 0;
    std::uint64_t longValueCounts[3] = {};
    std::int64_t nextAutoNumber = 1;
    bool hasAutoNumber = false;
    std::vector<std::uint32_t> dataPages;
    std::vector<std::uint32_t> lvalPages;
    std::uint32_t usedMap = 0;
    std::uint32_t freeMap = 0;
    std::uint32_t lvalMap = 0;
};

// The definition as one byte stream; pages carry it from byte 8 on, after
// their own 8-byte header (Jet page notes, "TDEF Pages").
std::string tableDefinition(const TableLayout& t, const TableResult& r, const jet::Format& f) {
    auto set = [](std::uint8_t* at, std::size_t offset, std::size_t size, std::uint32_t v) {
        if (offset == jet::kNone) return;
        if (size == 1) at[offset] = static_cast<std::uint8_t>(v);
        else if (size == 2) put16(at + offset, v);
        else put32(at + offset, v);
    };
    std::string d(f.tdefColumns, '\0');
    auto* h = reinterpret_cast<std::uint8_t*>(d.data());
    h[0] = jet::kPageTableDef;
    h[1] = 0x01;
    set(h, f.tdefVersionTag, 4, jet::kTdefVersionTagValue);
    set(h, f.tdefRowCount, 4, static_cast<std::uint32_t>(r.rows));
    set(h, f.tdefAutoNumber, 4, r.hasAutoNumber ? static_cast<std::uint32_t>(r.nextAutoNumber) : 0);
    set(h, f.tdefAutoNumberFlag, 1, r.hasAutoNumber ? 1 : 0);
    set(h, f.tdefTableType, 1, t.system ? jet::kTableSystem : jet::kTableUser);
    auto columns = static_cast<std::uint32_t>(t.columns.size());
    set(h, f.tdefMaxCols, 2, columns);
    set(h, f.tdefVarCols, 2, t.varCount);
    set(h, f.tdefCols, 2, columns);
    set(h, f.tdefIndexCount, 4, 0);
    set(h, f.tdefRealIndexCount, 4, 0);
    set(h, f.tdefUsedPagesMap, 4, r.usedMap);
    set(h, f.tdefFreePagesMap, 4, r.freeMap);
    for (const ColumnLayout& c : t.columns) {
        std::uint8_t e[32] = {};
        e[jet::kColType] = c.jetType;
        set(e, f.colVersionTag, 4, jet::kTdefVersionTagValue);
        set(e, f.colNumber, 2, c.number);
        set(e, f.colVarIndex, 2, c.fixed ? 0 : c.varIndex);
        set(e, f.colRowNumber, 2, c.number);
        if (c.type == Type::Decimal) {
            set(e, f.colPrecision, 1, static_cast<std::uint32_t>(c.precision));
            set(e, f.colScale, 1, static_cast<std::uint32_t>(c.scale));
        } else if (c.type == Type::DateTimeExtended) {
            std::memcpy(e + f.colSortOrder, jet::kColDateTimeExtendedTag, 2);
        } else {
            set(e, f.colSortOrder, 2, jet::kSortGeneral);
        }
        set(e, f.colCodePage, 2, jet::kCodePage1252);
        set(e, f.colFlags, 1,
            (c.fixed ? jet::kColFlagFixed : 0) | (c.nullable ? jet::kColFlagNullable : 0) |
                (c.autoNumber ? jet::kColFlagAutoLong : 0));
        set(e, f.colMiscFlags, 1, c.compressed ? jet::kColMiscCompressed : 0);
        set(e, f.colFixedOffset, 2, c.fixed ? c.fixedOffset : 0);
        set(e, f.colLength, 2, c.length);
        d.append(reinterpret_cast<const char*>(e), f.colEntrySize);
    }
    std::string name;
    for (const ColumnLayout& c : t.columns) {
        if (f.unicode) {
            name.clear();
            for (char16_t u : c.name16) append16(name, u);
        } else {
            try {
                encodeCp1252(c.name16, name);
            } catch (const std::invalid_argument& e) {
                throw Error(t.name, c.name, 0, std::string("the name cannot be stored: ") + e.what());
            }
        }
        if (f.nameLengthSize == 2) append16(d, static_cast<std::uint32_t>(name.size()));
        else d.push_back(static_cast<char>(name.size()));
        d += name;
    }
    // Pages owned by the long-value columns, then the end marker.
    for (const ColumnLayout& c : t.columns) {
        if (c.type != Type::Memo && c.type != Type::LongBinary) continue;
        append16(d, c.number);
        append32(d, r.lvalMap);
        append32(d, r.lvalMap);
    }
    append16(d, 0xFFFF);
    put32(reinterpret_cast<std::uint8_t*>(d.data()) + jet::kTdefLength, static_cast<std::uint32_t>(d.size()));
    return d;
}

std::size_t definitionPages(std::size_t bytes, const jet::Format& f) {
    if (bytes <= f.pageSize) return 1;
    std::size_t rest = bytes - f.pageSize;
    std::size_t perPage = f.pageSize - jet::kTdefContinuationHeader;
    return 1 + (rest + perPage - 1) / perPage;
}

void writeDefinition(PageWriter& out, const std::string& d, const std::vector<std::uint32_t>& pages) {
    const jet::Format& f = out.format();
    std::size_t at = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        Page page{};
        std::size_t start = i == 0 ? 0 : jet::kTdefContinuationHeader;
        std::size_t n = std::min(d.size() - at, f.pageSize - start);
        std::memcpy(page.data() + start, d.data() + at, n);
        at += n;
        page[0] = jet::kPageTableDef;
        page[1] = 0x01;
        if (f.unicode) {
            // Free space minus 8, as Access records it.
            std::size_t used = start + n + 8;
            put16(page.data() + jet::kTdefFreeSpace, static_cast<std::uint32_t>(used < f.pageSize ? f.pageSize - used : 0));
        } else {
            page[jet::kTdefFreeSpace] = 'V';
            page[jet::kTdefFreeSpace + 1] = 'C';
        }
        put32(page.data() + jet::kTdefNextPage, i + 1 < pages.size() ? pages[i + 1] : 0);
        out.write(pages[i], page.data());
    }
}

struct SystemTable {
    const char* name;
    std::vector<Column> columns;
};

std::vector<Column> msysObjectsColumns() {
    return {
        {"Id", Type::Long, {}},
        {"ParentId", Type::Long, {}},
        {"Name", Type::Text, {.size = 255}},
        {"Type", Type::Integer, {}},
        {"DateCreate", Type::Date, {}},
        {"DateUpdate", Type::Date, {}},
        {"Owner", Type::Binary, {.size = 255}},
        {"Flags", Type::Long, {}},
        {"Database", Type::Memo, {}},
        {"Connect", Type::Memo, {}},
        {"ForeignName", Type::Text, {.size = 255}},
        {"RmtInfoShort", Type::Binary, {.size = 255}},
        {"RmtInfoLong", Type::LongBinary, {}},
        {"Lv", Type::LongBinary, {}},
        {"LvProp", Type::LongBinary, {}},
        {"LvModule", Type::LongBinary, {}},
        {"LvExtra", Type::LongBinary, {}},
    };
}

// The other system tables a new Access database has; written empty.
std::vector<SystemTable> otherSystemTables() {
    return {
        {"MSysACEs",
         {{"ObjectId", Type::Long, {}},
          {"SID", Type::Binary, {.size = 255}},
          {"ACM", Type::Long, {}},
          {"FInheritable", Type::Boolean, {}}}},
        {"MSysQueries",
         {{"ObjectId", Type::Long, {}},
          {"Attribute", Type::Byte, {}},
          {"Order", Type::Binary, {.size = 255}},
          {"Name1", Type::Text, {.size = 255}},
          {"Name2", Type::Text, {.size = 255}},
          {"Expression", Type::Memo, {}},
          {"Flag", Type::Integer, {}},
          {"LvExtra", Type::LongBinary, {}}}},
        {"MSysRelationships",
         {{"szRelationship", Type::Text, {.size = 255}},
          {"grbit", Type::Long, {}},
          {"ccolumn", Type::Long, {}},
          {"icolumn", Type::Long, {}},
          {"szObject", Type::Text, {.size = 255}},
          {"szColumn", Type::Text, {.size = 255}},
          {"szReferencedObject", Type::Text, {.size = 255}},
          {"szReferencedColumn", Type::Text, {.size = 255}}}},
    };
}

Row catalogueRow(std::int32_t id, std::int32_t parent, const std::string& name, std::int16_t type,
                 double date, std::uint32_t flags) {
    Row row(17);
    row[0] = id;
    row[1] = parent;
    row[2] = name;
    row[3] = type;
    row[4] = DateTime{date};
    row[5] = DateTime{date};
    row[7] = static_cast<std::int32_t>(flags);
    return row;
}

void rc4(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t length) {
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (std::size_t k = 0, i = 0, j = 0; k < length; ++k) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[k] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

void writeHeader(PageWriter& out, const Database& db, double created) {
    const jet::Format& f = out.format();
    Page page{};
    std::memcpy(page.data(), f.headerMagic, jet::kHeaderMagicSize);
    page[jet::kHeaderVersion] = f.versionByte;
    // Counters Access keeps at the start of the masked region; their meaning is unknown.
    static constexpr std::uint8_t kPreamble[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                                 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::memcpy(&page[jet::kHeaderEncryptedStart], kPreamble, sizeof kPreamble);
    put16(&page[jet::kHeaderCodePage], jet::kCodePage1252);
    put32(&page[jet::kHeaderDbKey], 0);
    put16(&page[f.headerSortOrder], jet::kSortGeneral);
    std::string password;
    if (f.unicode) {
        // UCS-2, masked with the creation date's day number.
        std::memcpy(&page[f.headerCreationDate], &created, 8);
        for (char16_t u : utf8ToUtf16(db.password())) append16(password, u);
        password.resize(f.headerPasswordSize, '\0');
        std::uint8_t mask[4];
        put32(mask, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(created))));
        for (std::size_t i = 0; i < password.size(); ++i) password[i] = static_cast<char>(password[i] ^ mask[i % 4]);
    } else {
        try {
            encodeCp1252(utf8ToUtf16(db.password()), password);
        } catch (const std::invalid_argument& e) {
            throw Error(std::string("the password cannot be stored: ") + e.what());
        }
        password.resize(f.headerPasswordSize, '\0');
    }
    std::memcpy(&page[jet::kHeaderPassword], password.data(), password.size());
    rc4(jet::kHeaderRc4Key, sizeof jet::kHeaderRc4Key, &page[jet::kHeaderEncryptedStart], f.headerEncryptedSize);
    out.write(0, page.data());
}

struct PlannedTable {
    TableLayout layout;
    std::vector<std::uint32_t> tdefPages;
    TableResult result;
};

std::vector<std::uint32_t> reserveDefinition(PageWriter& out, const TableLayout& layout) {
    std::size_t bytes = tableDefinition(layout, TableResult{}, out.format()).size();
    std::vector<std::uint32_t> pages;
    for (std::size_t i = 0; i < definitionPages(bytes, out.format()); ++i) pages.push_back(out.allocate());
    return pages;
}

void collect(TableWriter& w, const TableLayout& layout, TableResult& r) {
    w.finish();
    r.rows = w.rowCount();
    std::copy_n(w.longValueCounts(), 3, r.longValueCounts);
    r.nextAutoNumber = w.nextAutoNumber();
    r.hasAutoNumber = std::any_of(layout.columns.begin(), layout.columns.end(),
                                  [](const ColumnLayout& c) { return c.autoNumber; });
    r.dataPages = std::move(w.dataPages);
    r.lvalPages = std::move(w.lvalPages);
}

// A user table: its definition pages reserved, then its rows streamed out.
PlannedTable writeUserTable(PageWriter& out, const Table& t, std::size_t longValuePiece) {
    checkColumns(t.name(), t.columns());
    PlannedTable p;
    p.layout = layoutTable(t.name(), t.columns(), false, out.format());
    p.tdefPages = reserveDefinition(out, p.layout);
    TableWriter w(out, p.layout, p.tdefPages.front(), longValuePiece);
    for (const Row& row : t.rows()) w.add(row);
    if (t.generatedRows() > 0) {
        Row row(t.columns().size());
        for (std::uint64_t i = 0; i < t.generatedRows(); ++i) {
            t.generator()(i, row);
            w.add(row);
        }
    }
    collect(w, p.layout, p.result);
    if (p.result.rows > UINT32_MAX) throw Error(t.name(), {}, 0, "more than 2^32 rows");
    return p;
}

// MSysObjects, whose definition starts on its fixed page, then the other
// system tables; returns their names in that order.
std::vector<std::string> planSystemTables(PageWriter& out, std::vector<PlannedTable>& tables) {
    PlannedTable& objects = tables.emplace_back();
    objects.layout = layoutTable("MSysObjects", msysObjectsColumns(), true, out.format());
    objects.tdefPages = {jet::kMSysObjectsPage};
    std::size_t bytes = tableDefinition(objects.layout, {}, out.format()).size();
    for (std::size_t i = 1; i < definitionPages(bytes, out.format()); ++i) objects.tdefPages.push_back(out.allocate());
    std::vector<std::string> names = {"MSysObjects"};
    for (const SystemTable& s : otherSystemTables()) {
        PlannedTable& p = tables.emplace_back();
        p.layout = layoutTable(s.name, s.columns, true, out.format());
        p.tdefPages = reserveDefinition(out, p.layout);
        names.push_back(s.name);
    }
    return names;
}

// The catalogue's rows: containers, the database object, the system tables,
// then the user tables. tables holds the user tables, then the system tables
// named by systemNames, MSysObjects first.
void writeCatalogue(PageWriter& out, std::vector<PlannedTable>& tables, std::size_t userTables,
                    const std::vector<std::string>& systemNames, double created) {
    PlannedTable& objects = tables[userTables];
    TableWriter w(out, objects.layout, jet::kMSysObjectsPage);
    const std::uint32_t sys = jet::kObjectFlagSystem;
    w.add(catalogueRow(jet::kContainerTables, jet::kContainerRoot, "Tables", jet::kObjectContainer, created, sys));
    w.add(catalogueRow(jet::kContainerDatabases, jet::kContainerRoot, "Databases", jet::kObjectContainer, created,
                       sys));
    w.add(catalogueRow(jet::kContainerRelationships, jet::kContainerRoot, "Relationships", jet::kObjectContainer,
                       created, sys));
    w.add(catalogueRow(jet::kMSysDbId, jet::kContainerDatabases, "MSysDb", jet::kObjectDatabase, created, sys));
    for (std::size_t i = 0; i < systemNames.size(); ++i) {
        const PlannedTable& p = tables[userTables + i];
        w.add(catalogueRow(static_cast<std::int32_t>(p.tdefPages.front()), jet::kContainerTables, systemNames[i],
                           jet::kObjectTable, created, sys));
    }
    static const char* kOtherContainers[] = {"Forms", "Modules", "Reports", "Scripts"};
    for (std::int32_t i = 0; i < 4; ++i)
        w.add(catalogueRow(INT32_MIN + i, jet::kContainerRoot, kOtherContainers[i], jet::kObjectContainer, created,
                           0));
    for (std::size_t i = 0; i < userTables; ++i)
        w.add(catalogueRow(static_cast<std::int32_t>(tables[i].tdefPages.front()), jet::kContainerTables,
                           tables[i].layout.name, jet::kObjectTable, created, 0));
    collect(w, objects.layout, objects.result);
}

// Each table's maps of its data pages, of those with room (only the last one
// is not full) and of its long-value pages.
void writeUsageMaps(PageWriter& out, std::vector<PlannedTable>& tables) {
    UsageMaps maps(out, 1);
    for (PlannedTable& p : tables) {
        TableResult& r = p.result;
        r.usedMap = maps.add(r.dataPages);
        std::vector<std::uint32_t> withRoom;
        if (!r.dataPages.empty()) withRoom.push_back(r.dataPages.back());
        r.freeMap = maps.add(withRoom);
        if (p.layout.hasLongValues) r.lvalMap = maps.add(r.lvalPages);
    }
    maps.finish();
}

const jet::Format& formatOf(const Database& db) {
    switch (db.version()) {
        case Version::Jet3: return jet::kJet3;
        case Version::Jet4: return jet::kJet4;
        case Version::Ace2007: return jet::kAce2007;
        case Version::Ace2010: return jet::kAce2010;
        case Version::Ace2016: return jet::kAce2016;
        case Version::Ace2019: return jet::kAce2019;
    }
    throw Error("unknown database version " + std::to_string(static_cast<int>(db.version())));
}

WriteStats writePages(const Database& db, PageWriter& out) {
    if (!db.password().empty() && !out.format().passwordInHeader)
        throw Error(std::string("an ") + out.format().name +
                    " database cannot be given a password: Access encrypts such files, which mkmdb does not");
    const double created = db.creationDate() >= 0 ? db.creationDate() : defaultCreationDate();
    out.allocate(3);  // header, first usage-map holder, MSysObjects definition

    std::vector<PlannedTable> tables;
    tables.reserve(db.tables().size() + 4);
    for (const Table& t : db.tables()) tables.push_back(writeUserTable(out, t, db.longValuePiece()));
    const std::size_t userTables = tables.size();
    std::vector<std::string> systemNames = planSystemTables(out, tables);
    writeCatalogue(out, tables, userTables, systemNames, created);
    writeUsageMaps(out, tables);
    for (const PlannedTable& p : tables)
        writeDefinition(out, tableDefinition(p.layout, p.result, out.format()), p.tdefPages);
    writeHeader(out, db, created);

    WriteStats stats;
    stats.pages = out.pageCount();
    for (std::size_t i = 0; i < userTables; ++i) {
        const TableResult& r = tables[i].result;
        stats.rows += r.rows;
        stats.inlineLongValues += r.longValueCounts[0];
        stats.singlePageLongValues += r.longValueCounts[1];
        stats.chainedLongValues += r.longValueCounts[2];
    }
    return stats;
}

}  // namespace

WriteStats write(const Database& db, const std::filesystem::path& path) {
    std::string temp = path.string() + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) throw Error("cannot create " + temp + ": " + std::strerror(errno));
    auto discard = [&] {
        ::close(fd);
        ::unlink(temp.c_str());
    };
    try {
        PageWriter out(fd, formatOf(db));
        WriteStats stats = writePages(db, out);
        off_t size = static_cast<off_t>(out.pageCount()) * static_cast<off_t>(out.format().pageSize);
        if (::ftruncate(fd, size) != 0 || ::fchmod(fd, 0644) != 0)
            throw Error("cannot finish " + temp + ": " + std::strerror(errno));
        int closed = ::close(fd);
        fd = -1;
        if (closed != 0) {
            ::unlink(temp.c_str());
            throw Error("cannot close " + temp + ": " + std::strerror(errno));
        }
        if (::rename(temp.c_str(), path.c_str()) != 0) {
            int e = errno;
            ::unlink(temp.c_str());
            throw Error("cannot create " + path.string() + ": " + std::strerror(e));
        }
        return stats;
    } catch (const Error&) {
        if (fd >= 0) discard();
        throw;
    } catch (const std::exception& e) {
        if (fd >= 0) discard();
        throw Error(e.what());
    }
}

}  // namespace mkmdb
