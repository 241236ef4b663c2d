#include "workbook_reader.h"

#include <algorithm>

#include "biff_records.h"
#include "core/error_codes.h"
#include "core/little_endian.h"
#include "core/qt_text.h"

namespace excel {
namespace {

// Reads the strings of SST and its CONTINUE records in order, across record
// boundaries as [MS-XLS] SST describes: characters resume after a fresh flags
// byte, the other parts of a string simply continue.
class SstCursor {
public:
    SstCursor(const std::uint8_t* data, const std::vector<RecordRef>& records, std::size_t first,
              std::size_t end, const QString& display)
        : data_(data), records_(records), rec_(first), end_(end), display_(display) {}

    void skipHeader() { skip(8); }  // cstTotal, cstUnique

    // Walks one XLUnicodeRichExtendedString, returning where it starts.
    StringStart string() {
        settle();
        if (rec_ == end_) damaged();
        StringStart start{static_cast<std::uint32_t>(rec_), off_};
        std::size_t cch = u16();
        std::uint8_t flags = byte();
        std::size_t runs = 0;
        std::uint32_t ext = 0;
        if (flags & biff::kStringRich) runs = u16();
        if (flags & biff::kStringExt) {
            ext = u16();
            ext |= static_cast<std::uint32_t>(u16()) << 16;
        }
        bool high = flags & biff::kStringHighByte;
        while (cch > 0) {
            if (off_ == records_[rec_].size) {
                ++rec_;
                off_ = 0;
                if (rec_ == end_ || records_[rec_].size == 0) damaged();
                high = byte() & biff::kStringHighByte;
                continue;
            }
            std::size_t width = high ? 2 : 1;
            std::size_t fit = (records_[rec_].size - off_) / width;
            if (fit == 0) damaged();  // half a character at a record's end
            std::size_t n = std::min(fit, cch);
            off_ += static_cast<std::uint32_t>(n * width);
            cch -= n;
        }
        skip(runs * 4 + ext);
        return start;
    }

    // True when every byte of the table was read.
    bool atEnd() {
        settle();
        return rec_ == end_;
    }

private:
    [[noreturn]] void damaged() {
        raiseNotWorkbook(display_, QStringLiteral("its shared string table is damaged"));
    }
    void settle() {
        while (rec_ < end_ && off_ == records_[rec_].size) {
            ++rec_;
            off_ = 0;
        }
    }
    std::uint8_t byte() {
        settle();
        if (rec_ == end_) damaged();
        return data_[records_[rec_].offset + biff::kRecordHeaderSize + off_++];
    }
    // Two bytes, low first; read one after the other, as they may straddle records.
    std::uint16_t u16() {
        const std::uint8_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }
    void skip(std::uint64_t n) {
        while (n > 0) {
            settle();
            if (rec_ == end_) damaged();
            std::uint64_t k = std::min<std::uint64_t>(n, records_[rec_].size - off_);
            off_ += static_cast<std::uint32_t>(k);
            n -= k;
        }
    }

    const std::uint8_t* data_;
    const std::vector<RecordRef>& records_;
    std::size_t rec_;
    std::size_t end_;
    std::uint32_t off_ = 0;
    const QString& display_;
};

// Reads an XLUnicodeString (2-byte count) or ShortXLUnicodeString (1-byte count)
// that must lie within [p, end).
bool readString(const std::uint8_t* p, const std::uint8_t* end, bool shortCount,
                std::u16string& out) {
    std::size_t header = shortCount ? 2 : 3;
    if (end - p < static_cast<std::ptrdiff_t>(header)) return false;
    std::size_t cch = shortCount ? p[0] : engine::le16(p);
    bool high = p[header - 1] & biff::kStringHighByte;
    p += header;
    if (static_cast<std::size_t>(end - p) < cch * (high ? 2 : 1)) return false;
    out.clear();
    for (std::size_t i = 0; i < cch; ++i) out.push_back(high ? engine::le16(p + 2 * i) : p[i]);
    return true;
}

}  // namespace

void raiseNotWorkbook(const QString& display, const QString& why) {
    engine::raise(engine::kErrNotExpectedFormat,
                  QStringLiteral("External table is not in the expected format. The file '%1' "
                                 "is not an Excel 97-2003 workbook a worksheet can be added to: "
                                 "%2.")
                      .arg(display, why));
}

namespace {

// The stream's records in order, each length checked against the bytes.
class Records {
public:
    Records(const std::uint8_t* data, std::size_t size, const QString& display)
        : data_(data), size_(size), display_(display) {}

    [[noreturn]] void damaged(const QString& why) const { raiseNotWorkbook(display_, why); }

    bool atEnd() const { return size_ - pos_ < biff::kRecordHeaderSize; }
    RecordRef next() {
        if (atEnd()) damaged(QStringLiteral("a record is cut short"));
        RecordRef r{engine::le16(data_ + pos_), engine::le16(data_ + pos_ + 2),
                    static_cast<std::uint32_t>(pos_)};
        if (r.size > biff::kMaxRecordData || size_ - pos_ - biff::kRecordHeaderSize < r.size) {
            damaged(QStringLiteral("a record is cut short"));
        }
        pos_ += biff::kRecordHeaderSize + r.size;
        return r;
    }
    const std::uint8_t* dataOf(const RecordRef& r) const {
        return data_ + r.offset + biff::kRecordHeaderSize;
    }
    std::size_t position() const { return pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    const QString& display_;
};

// Notes what adding a sheet needs of the globals' record r, the i-th.
void noteGlobal(WorkbookLayout& l, std::size_t i, const RecordRef& r, const Records& in) {
    const std::uint8_t* p = in.dataOf(r);
    switch (r.type) {
        case biff::kRecordEof:
            break;
        case biff::kRecordBof:
            in.damaged(QStringLiteral("its workbook globals are not closed"));
        case biff::kRecordFilePass:
            in.damaged(QStringLiteral("it is encrypted (protected with a password)"));
        case biff::kRecordBoundSheet: {
            ExistingSheet s;
            if (r.size < 6 || !readString(p + 6, p + r.size, true, s.name)) {
                in.damaged(QStringLiteral("a sheet entry is damaged"));
            }
            s.offset = engine::le32(p);
            l.sheets.push_back(std::move(s));
            l.lastBoundSheet = i;
            break;
        }
        case biff::kRecordXf:
            if (r.size != biff::kXfSize) in.damaged(QStringLiteral("a cell format is damaged"));
            if (l.firstXf == WorkbookLayout::kNone) l.firstXf = i;
            l.lastXf = i;
            l.xfs.emplace_back(p, p + r.size);
            break;
        case biff::kRecordFormat: {
            ExistingFormat f;
            if (r.size < 2 || !readString(p + 2, p + r.size, false, f.code)) {
                in.damaged(QStringLiteral("a number format is damaged"));
            }
            f.number = engine::le16(p);
            l.formats.push_back(std::move(f));
            l.lastFormat = i;
            break;
        }
        case biff::kRecordXfCrc:
            if (r.size != 20) in.damaged(QStringLiteral("its XFCRC record is damaged"));
            l.xfCrc = i;
            break;
        case biff::kRecordSupBook:
            if (r.size == 4 && engine::le16(p + 2) == biff::kSupBookSelf) l.selfSupBook = i;
            break;
        case biff::kRecordRrTabId:
            l.rrTabId = i;
            break;
        case biff::kRecordSst:
            if (l.sst != WorkbookLayout::kNone || r.size < 8) {
                in.damaged(QStringLiteral("its shared string table is damaged"));
            }
            l.sst = i;
            l.sstTotal = engine::le32(p);
            l.sstUnique = engine::le32(p + 4);
            break;
        case biff::kRecordExtSst:
            l.extSst = i;
            break;
        default:
            break;
    }
    if (l.sst != WorkbookLayout::kNone && l.sstEnd == WorkbookLayout::kNone && i > l.sst &&
        r.type != biff::kRecordContinue) {
        l.sstEnd = i;
    }
    if (l.sstInsertAt == WorkbookLayout::kNone &&
        std::find(std::begin(biff::kRecordsAfterSst), std::end(biff::kRecordsAfterSst), r.type) !=
            std::end(biff::kRecordsAfterSst)) {
        l.sstInsertAt = i;
    }
}

// The globals substream: BOF of BIFF8 globals, then records up to EOF.
void readGlobals(Records& in, WorkbookLayout& l) {
    if (in.atEnd()) in.damaged(QStringLiteral("its workbook stream is empty"));
    const RecordRef bof = in.next();
    const std::uint8_t* p = in.dataOf(bof);
    if (bof.type != biff::kRecordBof || bof.size < 4 || engine::le16(p) != biff::kBofVersionBiff8 ||
        engine::le16(p + 2) != biff::kBofWorkbookGlobals) {
        in.damaged(QStringLiteral("it was not saved in the Excel 97-2003 (BIFF8) format"));
    }
    l.globals.push_back(bof);
    for (;;) {
        const RecordRef r = in.next();
        l.globals.push_back(r);
        noteGlobal(l, l.globals.size() - 1, r, in);
        if (r.type == biff::kRecordEof) break;
    }
    l.globalsEnd = static_cast<std::uint32_t>(in.position());
    if (l.sheets.empty()) in.damaged(QStringLiteral("it lists no sheets"));
    if (l.xfs.size() < 16) in.damaged(QStringLiteral("it lacks the 16 built-in cell formats"));
    if (l.extSst != WorkbookLayout::kNone &&
        (l.sst == WorkbookLayout::kNone || l.extSst != l.sstEnd)) {
        in.damaged(QStringLiteral("its shared string index is misplaced"));
    }
}

// Where each string of the shared string table starts.
void readStringStarts(const std::uint8_t* data, std::size_t size, WorkbookLayout& l,
                      const QString& display) {
    SstCursor cursor(data, l.globals, l.sst, l.sstEnd, display);
    cursor.skipHeader();
    // Each string takes at least three bytes: a count beyond that is damage.
    if (l.sstUnique > size / 3) {
        raiseNotWorkbook(display, QStringLiteral("its shared string table is damaged"));
    }
    l.stringStarts.reserve(l.sstUnique);
    for (std::uint32_t s = 0; s < l.sstUnique; ++s) l.stringStarts.push_back(cursor.string());
    // Strings past the count would take the indexes the new sheet's get.
    if (!cursor.atEnd()) {
        raiseNotWorkbook(display, QStringLiteral("its shared string table is damaged"));
    }
}

// Every record after the globals, to find each sheet's BOF and every Index.
void readSheets(Records& in, const std::uint8_t* data, std::size_t size, WorkbookLayout& l) {
    std::vector<std::uint32_t> starts;
    std::vector<std::uint16_t> types;
    while (!in.atEnd()) {
        const RecordRef r = in.next();
        starts.push_back(r.offset);
        types.push_back(r.type);
        if (r.type == biff::kRecordIndex) {
            if (r.size < 16 || (r.size - 16) % 4 != 0)
                in.damaged(QStringLiteral("a row index is damaged"));
            l.indexRecords.push_back(r.offset);
        }
    }
    l.recordsEnd = static_cast<std::uint32_t>(in.position());
    if (std::any_of(data + in.position(), data + size, [](std::uint8_t b) { return b != 0; })) {
        in.damaged(QStringLiteral("a record is cut short"));
    }
    for (const ExistingSheet& s : l.sheets) {
        auto it = std::lower_bound(starts.begin(), starts.end(), s.offset);
        if (it == starts.end() || *it != s.offset ||
            types[it - starts.begin()] != biff::kRecordBof) {
            in.damaged(QStringLiteral("the sheet '%1' is not where the workbook says")
                           .arg(QString::fromStdU16String(s.name)));
        }
    }
}

}  // namespace

WorkbookLayout readWorkbook(const std::uint8_t* data, std::size_t size, const QString& display) {
    if (size >= (std::uint64_t{1} << 31)) {
        raiseNotWorkbook(display, QStringLiteral("its workbook stream is too large"));
    }
    Records in(data, size, display);
    WorkbookLayout l;
    readGlobals(in, l);
    if (l.sst != WorkbookLayout::kNone) readStringStarts(data, size, l, display);
    readSheets(in, data, size, l);
    return l;
}

bool hasSheetNamed(const WorkbookLayout& layout, std::u16string_view name) {
    const QString wanted = engine::toQString(name);
    return std::any_of(layout.sheets.begin(), layout.sheets.end(), [&](const ExistingSheet& s) {
        return QString::fromStdU16String(s.name).compare(wanted, Qt::CaseInsensitive) == 0;
    });
}

}  // namespace excel
