#pragma once
// Reads the record layout of an existing BIFF8 workbook stream from memory: what
// adding a worksheet needs to find, check and patch ([MS-XLS] 2.1.7.20
// substreams, BoundSheet8, SST, ExtSST, Index, XF, Format, SupBook, XFCRC).
//
// Every length and offset is checked against the bytes; anything a sheet could
// not be added to safely (not BIFF8, encrypted, damaged) throws converti::Error
// 3274 naming the file. Nothing here writes.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace excel {

struct RecordRef {
    std::uint16_t type = 0;
    std::uint16_t size = 0;
    std::uint32_t offset = 0;  // of the record header in the stream
};

struct ExistingSheet {
    std::u16string name;
    std::uint32_t offset = 0;  // lbPlyPos: the sheet's BOF
};

struct ExistingFormat {
    std::uint16_t number = 0;
    std::u16string code;
};

// Where a string of the shared string table starts: record (index into
// WorkbookLayout::globals) and offset in that record's data.
struct StringStart {
    std::uint32_t record = 0;
    std::uint32_t offset = 0;
};

struct WorkbookLayout {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::vector<RecordRef> globals;  // BOF to EOF of the globals substream
    std::uint32_t globalsEnd = 0;    // first byte after the globals' EOF
    std::uint32_t recordsEnd = 0;    // first byte after the last whole record (zeros may follow)
    std::vector<ExistingSheet> sheets;
    std::vector<std::uint32_t> indexRecords;  // offsets of every Index after the globals

    std::size_t lastBoundSheet = kNone;
    std::size_t firstXf = kNone;
    std::size_t lastXf = kNone;
    std::size_t lastFormat = kNone;
    std::size_t xfCrc = kNone;
    std::size_t selfSupBook = kNone;
    std::size_t rrTabId = kNone;
    std::size_t sst = kNone;     // the SST record; its CONTINUEs follow up to sstEnd
    std::size_t sstEnd = kNone;  // one past the last record of the table
    std::size_t extSst = kNone;
    std::size_t sstInsertAt = kNone;  // where a table goes when the workbook has none

    std::vector<std::vector<std::uint8_t>> xfs;  // data of every XF, in order
    std::vector<ExistingFormat> formats;
    std::uint32_t sstTotal = 0;
    std::uint32_t sstUnique = 0;
    std::vector<StringStart> stringStarts;  // one per string of the table
};

// `data` is the whole "Workbook" stream.
WorkbookLayout readWorkbook(const std::uint8_t* data, std::size_t size, const QString& display);

// True when a sheet of the workbook has this name, compared as Excel does:
// without regard to case.
bool hasSheetNamed(const WorkbookLayout& layout, std::u16string_view name);

// The refusal for a file a sheet cannot be added to: 3274 naming the file and why.
[[noreturn]] void raiseNotWorkbook(const QString& display, const QString& why);

}  // namespace excel
