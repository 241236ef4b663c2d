// libFuzzer target over the reader of existing workbooks and the adding of a
// worksheet. An input starting with the compound-file signature goes through the
// container reader too; any other input is taken as a bare "Workbook" stream.
//
// Besides "no crash", it checks that whatever the reader accepts comes out whole:
// the new stream reads back with one more sheet, named as asked, and the copied
// container holds exactly that stream. A refusal is converti::Error; anything
// else escaping, or a result that does not read back, aborts.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "byte_sink.h"
#include "compound_file.h"
#include "error/error.h"
#include "workbook_append.h"
#include "workbook_reader.h"
#include "worksheet.h"

namespace {

using engine::Type;

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::vector<std::uint8_t> readFd(int fd) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[65536];
    ::lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) bytes.insert(bytes.end(), buf, buf + n);
    return bytes;
}

void run(const std::uint8_t* data, std::size_t size) {
    const QString display = QStringLiteral("fuzz.xls");
    std::unique_ptr<excel::CompoundInput> input;
    std::vector<std::uint8_t> stream;
    if (size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0) {
        input = std::make_unique<excel::CompoundInput>(std::vector<std::uint8_t>(data, data + size),
                                                       display);
        stream = input->workbook();
    } else {
        stream.assign(data, data + size);
    }
    excel::WorkbookLayout layout = excel::readWorkbook(stream.data(), stream.size(), display);
    const bool taken = excel::hasSheetNamed(layout, u"Foglio");
    excel::AppendPlan plan = excel::planAppend(layout);

    excel::SharedStrings strings(layout.sstUnique);
    const std::vector<engine::Column> columns = {{u"Nome"}, {u"Importo", Type::Currency}};
    excel::Worksheet sheet(columns, strings, plan.xfs, false);
    engine::Row row(2);
    row[0].type = Type::Text;
    row[0].text = u"gi\u00E0";
    row[1].type = Type::Currency;
    row[1].integer = 12345;
    for (int i = 0; i < 40; ++i) sheet.addRow(row);

    excel::VectorSink out;
    excel::RecordWriter w(out);
    excel::writeWithSheet(w, stream.data(), stream.size(), layout, plan, u"Foglio", strings, sheet);

    // What was accepted must read back, one sheet more; a reader error here is a bug.
    try {
        excel::WorkbookLayout again =
            excel::readWorkbook(out.bytes.data(), out.bytes.size(), display);
        if (again.sheets.size() != layout.sheets.size() + 1) std::abort();
        if (again.sheets.back().name != u"Foglio") std::abort();
        if (!taken && excel::hasSheetNamed(layout, u"Foglio")) std::abort();
        if (again.sstUnique != layout.sstUnique + strings.uniqueCount()) std::abort();
    } catch (const converti::Error&) {
        std::abort();
    }

    if (input) {
        int fd = ::memfd_create("xls_fuzz", MFD_CLOEXEC);
        if (fd < 0) return;
        excel::writeCompoundFile(
            fd, display,
            [&](excel::ByteSink& sink) { sink.write(out.bytes.data(), out.bytes.size()); },
            input.get());
        std::vector<std::uint8_t> file = readFd(fd);
        ::close(fd);
        try {
            excel::CompoundInput copy(std::move(file), display);
            if (copy.workbook() != out.bytes) std::abort();
        } catch (const converti::Error&) {
            std::abort();
        }
    }
}

}  // namespace

// libgsf's compound-file reader leaks a few bytes of directory entries on some
// damaged directories (its own allocations, freed by nothing we can call); ours
// would still be reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:libgsf-1.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        run(data, size);
    } catch (const converti::Error&) {
        // Refused: the only allowed failure.
    }
    return 0;
}
