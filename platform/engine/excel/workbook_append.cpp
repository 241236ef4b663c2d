#include "workbook_append.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "core/error_codes.h"
#include "workbook_globals.h"

namespace excel {
namespace {

std::array<std::uint32_t, 256> crcTable() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t v = i << 24;
        for (int bit = 0; bit < 8; ++bit) v = (v & 0x80000000u) ? (v << 1) ^ 0xAFu : v << 1;
        t[i] = v;
    }
    return t;
}

// Copies a record, letting `patch` change its data first.
template <typename Patch>
void copyPatched(RecordWriter& w, const std::uint8_t* data, const RecordRef& r, Patch patch) {
    std::vector<std::uint8_t> bytes(data + r.offset,
                                    data + r.offset + biff::kRecordHeaderSize + r.size);
    patch(bytes.data() + biff::kRecordHeaderSize);
    w.framed(bytes.data(), bytes.size());
}

void copy(RecordWriter& w, const std::uint8_t* data, const RecordRef& r) {
    w.framed(data + r.offset, biff::kRecordHeaderSize + r.size);
}

struct GlobalsInput {
    const std::uint8_t* data;
    const WorkbookLayout& layout;
    const AppendPlan& plan;
    std::u16string_view name;
    const SharedStrings& strings;
    std::uint32_t shift;        // bytes the globals grew by
    std::uint32_t sheetOffset;  // the new sheet's BOF
};

void writeNewFormats(RecordWriter& w, const AppendPlan& plan) {
    for (const AppendPlan::Format& f : plan.newFormats) {
        w.record(biff::kRecordFormat, Payload().u16(f.number).unicodeString(f.code));
    }
}

// Writes the existing SST and CONTINUE records with the counts raised, the new
// strings after them, and a rebuilt ExtSST.
void writeStringTable(RecordWriter& w, const GlobalsInput& in) {
    const WorkbookLayout& l = in.layout;
    const std::uint32_t unique = l.sstUnique + in.strings.uniqueCount();
    const std::uint32_t bucket = SharedStrings::bucketSize(unique);
    std::vector<std::uint64_t> starts;
    for (std::size_t i = l.sst; i < l.sstEnd; ++i) {
        starts.push_back(w.position());
        if (i == l.sst) {
            copyPatched(w, in.data, l.globals[i], [&](std::uint8_t* p) {
                putLe32(p, engine::le32(p) + in.strings.totalCount());
                putLe32(p + 4, unique);
            });
        } else {
            copy(w, in.data, l.globals[i]);
        }
    }
    Payload ext;
    ext.u16(static_cast<std::uint16_t>(bucket));
    for (std::uint32_t s = 0; s < l.sstUnique; s += bucket) {
        const StringStart& at = l.stringStarts[s];
        const std::uint32_t inRecord = biff::kRecordHeaderSize + at.offset;
        ext.u32(static_cast<std::uint32_t>(starts[at.record - l.sst] + inRecord))
            .u16(static_cast<std::uint16_t>(inRecord))
            .u16(0);
    }
    in.strings.writeContinuation(w, bucket, ext);
    w.record(biff::kRecordExtSst, ext);
}

void writeBoundSheets(RecordWriter& w, const GlobalsInput& in, std::size_t i) {
    copyPatched(w, in.data, in.layout.globals[i],
                [&](std::uint8_t* p) { putLe32(p, engine::le32(p) + in.shift); });
    if (i == in.layout.lastBoundSheet) writeBoundSheet(w, in.sheetOffset, in.name);
}

void writeFormats(RecordWriter& w, const GlobalsInput& in, std::size_t i) {
    copy(w, in.data, in.layout.globals[i]);
    if (i == in.layout.lastFormat) writeNewFormats(w, in.plan);
}

void writeXfs(RecordWriter& w, const GlobalsInput& in, std::size_t i) {
    copy(w, in.data, in.layout.globals[i]);
    if (i != in.layout.lastXf) return;
    for (const auto& xf : in.plan.newXfs) w.record(biff::kRecordXf, xf.data(), xf.size());
}

// Keeps Excel's extended formats (XFExt) valid: it ignores them when count or
// checksum do not match the XF records.
void writeXfCrc(RecordWriter& w, const GlobalsInput& in, std::size_t i) {
    const WorkbookLayout& l = in.layout;
    if (i != l.xfCrc || in.plan.newXfs.empty()) return copy(w, in.data, l.globals[i]);
    std::uint32_t crc = 0;
    for (const auto& xf : l.xfs) crc = officeCrc(crc, xf.data(), xf.size());
    for (const auto& xf : in.plan.newXfs) crc = officeCrc(crc, xf.data(), xf.size());
    const auto count = static_cast<std::uint16_t>(l.xfs.size() + in.plan.newXfs.size());
    copyPatched(w, in.data, l.globals[i], [&](std::uint8_t* p) {
        putLe16(p + 14, count);
        putLe32(p + 16, crc);
    });
}

// The self-referencing SupBook counts the sheets: one more.
void writeSupBook(RecordWriter& w, const GlobalsInput& in, std::size_t i) {
    if (i != in.layout.selfSupBook) return copy(w, in.data, in.layout.globals[i]);
    copyPatched(w, in.data, in.layout.globals[i], [&](std::uint8_t* p) {
        putLe16(p, static_cast<std::uint16_t>(engine::le16(p) + 1));
    });
}

// One more sheet identifier, above those in use.
void writeRrTabId(RecordWriter& w, const GlobalsInput& in, std::size_t i) {
    const RecordRef& r = in.layout.globals[i];
    if (i != in.layout.rrTabId || r.size + 2u > biff::kMaxRecordData || r.size % 2 != 0) {
        return copy(w, in.data, r);
    }
    const std::uint8_t* p = in.data + r.offset + biff::kRecordHeaderSize;
    std::uint16_t top = 0;
    for (std::size_t k = 0; k + 1 < r.size; k += 2) top = std::max(top, engine::le16(p + k));
    Payload ids;
    ids.raw(p, r.size).u16(static_cast<std::uint16_t>(top + 1));
    w.record(biff::kRecordRrTabId, ids);
}

// The globals, record by record, each kind that adding a sheet changes by its
// own writer; the string table's CONTINUEs and ExtSST are written with SST.
void writeGlobals(RecordWriter& w, const GlobalsInput& in) {
    const WorkbookLayout& l = in.layout;
    const bool hasTable = l.sst != WorkbookLayout::kNone;
    for (std::size_t i = 0; i < l.globals.size(); ++i) {
        if (i == l.sstInsertAt && !hasTable) in.strings.write(w);
        if (i == l.firstXf && l.lastFormat == WorkbookLayout::kNone) writeNewFormats(w, in.plan);
        switch (l.globals[i].type) {
            case biff::kRecordBoundSheet:
                writeBoundSheets(w, in, i);
                break;
            case biff::kRecordFormat:
                writeFormats(w, in, i);
                break;
            case biff::kRecordXf:
                writeXfs(w, in, i);
                break;
            case biff::kRecordXfCrc:
                writeXfCrc(w, in, i);
                break;
            case biff::kRecordSupBook:
                writeSupBook(w, in, i);
                break;
            case biff::kRecordRrTabId:
                writeRrTabId(w, in, i);
                break;
            case biff::kRecordSst:
                writeStringTable(w, in);
                break;
            case biff::kRecordExtSst:
                if (i != l.extSst) copy(w, in.data, l.globals[i]);
                break;
            default:
                if (!hasTable || i <= l.sst || i >= l.sstEnd) copy(w, in.data, l.globals[i]);
        }
    }
}

}  // namespace

std::uint32_t officeCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = crcTable();
    for (std::size_t i = 0; i < size; ++i) {
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    }
    return crc;
}

AppendPlan planAppend(const WorkbookLayout& layout) {
    AppendPlan plan;
    plan.xfs.general = biff::kXfGeneral;  // the default cell XF every workbook has
    std::uint16_t* targets[] = {&plan.xfs.currency, &plan.xfs.date, &plan.xfs.dateTime,
                                &plan.xfs.time};
    std::vector<std::uint16_t> used;
    for (const ExistingFormat& f : layout.formats) used.push_back(f.number);
    std::uint16_t candidate = biff::kFirstCustomFormat;
    for (std::size_t k = 0; k < std::size(kOwnFormats); ++k) {
        const OwnFormat& own = kOwnFormats[k];
        std::uint16_t number = 0;
        auto same = std::find_if(layout.formats.begin(), layout.formats.end(),
                                 [&](const ExistingFormat& f) { return f.code == own.code; });
        if (same != layout.formats.end()) {
            number = same->number;
        } else {
            while (std::find(used.begin(), used.end(), candidate) != used.end()) ++candidate;
            number = candidate;
            used.push_back(number);
            plan.newFormats.push_back({number, std::u16string(own.code)});
        }
        Payload xf = cellXf(number);
        std::vector<std::uint8_t> bytes(xf.data(), xf.data() + xf.size());
        auto existing = std::find(layout.xfs.begin() + 16, layout.xfs.end(), bytes);
        if (existing != layout.xfs.end()) {
            *targets[k] = static_cast<std::uint16_t>(existing - layout.xfs.begin());
        } else {
            *targets[k] = static_cast<std::uint16_t>(layout.xfs.size() + plan.newXfs.size());
            plan.newXfs.push_back(std::move(bytes));
        }
    }
    if (layout.formats.size() + plan.newFormats.size() > biff::kMaxFormats ||
        layout.xfs.size() + plan.newXfs.size() > biff::kMaxXfs) {
        engine::raise(engine::kErrSheetFull,
                      QStringLiteral("The workbook already holds as many cell formats as an Excel "
                                     "8.0 workbook can; the worksheet's dates and amounts need "
                                     "%1 more.")
                          .arg(plan.newXfs.size()));
    }
    return plan;
}

void writeWithSheet(RecordWriter& w, const std::uint8_t* data, std::size_t,
                    const WorkbookLayout& layout, const AppendPlan& plan, std::u16string_view name,
                    const SharedStrings& strings, const Worksheet& sheet) {
    // A sizing pass: the globals' new size gives the shift of every later offset.
    GlobalsInput in{data, layout, plan, name, strings, 0, 0};
    CountingSink counter;
    RecordWriter sizing(counter);
    writeGlobals(sizing, in);
    // A tail too short to be a record is left out: the new sheet must start on a
    // record boundary.
    const std::uint64_t rest = layout.recordsEnd - layout.globalsEnd;
    in.shift = static_cast<std::uint32_t>(counter.count - layout.globalsEnd);
    in.sheetOffset = static_cast<std::uint32_t>(counter.count + rest);

    const std::uint64_t start = w.position();
    writeGlobals(w, in);
    if (w.position() - start != counter.count) {
        throw std::logic_error("workbook globals changed size between passes");
    }
    // The existing sheets as they are, but for Index's absolute offsets (ibXF and
    // each DBCell's); DBCell's own offsets are relative and stay.
    std::size_t from = layout.globalsEnd;
    for (std::uint32_t at : layout.indexRecords) {
        w.framed(data + from, at - from);
        RecordRef r{biff::kRecordIndex, engine::le16(data + at + 2), at};
        copyPatched(w, data, r, [&](std::uint8_t* p) {
            for (std::size_t k = 12; k + 4 <= r.size; k += 4) {
                if (std::uint32_t v = engine::le32(p + k)) putLe32(p + k, v + in.shift);
            }
        });
        from = at + biff::kRecordHeaderSize + r.size;
    }
    w.framed(data + from, layout.recordsEnd - from);
    sheet.write(w);
}

}  // namespace excel
