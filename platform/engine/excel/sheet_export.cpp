#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>

#include "compound_file.h"
#include "core/error_codes.h"
#include "core/qt_text.h"
#include "excel.h"
#include "workbook_append.h"
#include "workbook_globals.h"
#include "workbook_reader.h"
#include "worksheet.h"

namespace excel {
namespace {

// A compound file of version 3 holds at most 2 GB ([MS-CFB] 2.2): the workbook
// stream stops short of that, leaving room for the container's own sectors, and
// no file much larger is read as a workbook.
constexpr std::uint64_t kMaxStreamBytes = 2'000'000'000;
constexpr std::uint64_t kMaxWorkbookFileBytes = kMaxStreamBytes + (std::uint64_t{1} << 26);

// The temporary file, removed unless the rename took it into place.
class TempFile {
public:
    TempFile(const std::string& folder, const std::string& base, const QString& display) {
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100; ++attempt) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                          static_cast<unsigned long long>(random()));
            // A shortened name keeps the temporary name within the file system's
            // limit wherever the target's name fits.
            std::string candidate = folder + "/." + base.substr(0, 64) + suffix;
            fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                path_ = candidate;
                return;
            }
            if (errno != EEXIST) raiseFileError(errno, display, QStringLiteral("create"));
        }
        raiseFileError(EEXIST, display, QStringLiteral("create"));
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    // Closes the descriptor, reporting a failed close (the last write error on
    // some file systems).
    int close() {
        int r = ::close(fd_);
        fd_ = -1;
        return r == 0 ? 0 : errno;
    }
    void keep() { path_.clear(); }

private:
    int fd_ = -1;
    std::string path_;
};

[[noreturn]] void raiseExists(const QString& display) {
    engine::raise(engine::kErrCreateFailed,
                  QStringLiteral("The workbook '%1' already exists. Choose a new file name: "
                                 "an existing workbook is left as it is.")
                      .arg(display));
}

// Renames without ever replacing a file that appeared at the target meanwhile.
void moveIntoPlace(const std::string& from, const std::string& to, const QString& display) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        // File systems without RENAME_NOREPLACE: link() fails on an existing target too.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return;
        }
        error = errno;
        if (error == EPERM || error == ENOTSUP || error == ENOSYS) {
            // Nor hard links (FAT): check, then rename; only a file created in
            // the instant between the two could still be replaced.
            struct stat st {};
            if (::lstat(to.c_str(), &st) == 0) raiseExists(display);
            if (::rename(from.c_str(), to.c_str()) == 0) return;
            error = errno;
        }
    }
    if (error == EEXIST) raiseExists(display);
    raiseFileError(error, display, QStringLiteral("save"));
}

}  // namespace

void checkSheetName(std::u16string_view sheet) {
    auto bad = [&](const QString& why) {
        engine::raise(engine::kErrInvalidName,
                      QStringLiteral("'%1' is not a valid worksheet name: %2.")
                          .arg(engine::toQString(sheet), why));
    };
    if (sheet.empty()) bad(QStringLiteral("the name is empty"));
    if (sheet.size() > biff::kMaxSheetNameChars) {
        bad(QStringLiteral("it is longer than %1 characters").arg(biff::kMaxSheetNameChars));
    }
    for (char16_t c : sheet) {
        if (std::u16string_view(u":\\/?*[]").find(c) != std::u16string_view::npos) {
            bad(QStringLiteral("it may not hold any of : \\ / ? * [ ]"));
        }
        if (c < 0x20) bad(QStringLiteral("it may not hold control characters"));
    }
    if (sheet.front() == u'\'' || sheet.back() == u'\'') {
        bad(QStringLiteral("it may not begin or end with an apostrophe"));
    }
}

namespace {

// Reads the whole file; the compound-file reader works from memory.
std::vector<std::uint8_t> readWholeFile(const std::string& path, const QString& display) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) raiseFileError(errno, display, QStringLiteral("open"));
    std::vector<std::uint8_t> bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        if (static_cast<std::uint64_t>(st.st_size) > kMaxWorkbookFileBytes) {
            ::close(fd);
            raiseNotWorkbook(display, QStringLiteral("it is larger than an Excel 8.0 file can be"));
        }
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    }
    std::uint8_t buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            ::close(fd);
            raiseFileError(error, display, QStringLiteral("read"));
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), buf, buf + n);
    }
    ::close(fd);
    return bytes;
}

// Makes a new name durable too; the data already is, so a failure here is moot.
void syncFolder(const std::string& folder) {
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

struct SheetExport::State {
    std::string path;
    std::string folder;
    std::string base;
    QString display;
    std::u16string sheet;
    SharedStrings strings;
    std::optional<Worksheet> worksheet;
    std::optional<converti::Error> failure;
    bool committed = false;
    // An existing workbook the sheet is added to.
    std::unique_ptr<CompoundInput> input;
    WorkbookLayout layout;
    AppendPlan plan;
    struct stat original {};

    // Throws 3437 when the workbook would pass the 2 GB limit, estimated from
    // the rows so far: the one place that limit is checked.
    void checkSize() const;
    void checkUnchanged() const;
    // The commit's tail, for both kinds: the data on disk, the temporary file
    // closed and moved to the path (replacing only the workbook that was read,
    // and only while unchanged), then the new name on disk too.
    void finishFile(TempFile& temp);
};

SheetExport::SheetExport(const std::string& path, std::u16string_view sheet,
                         std::vector<engine::Column> columns)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.path = path;
    s.display = QString::fromLocal8Bit(path.c_str());
    if (path.empty()) {
        engine::raise(engine::kErrInvalidPath,
                      QStringLiteral("No workbook file was given: the path is empty."));
    }
    checkSheetName(sheet);
    if (columns.size() > biff::kMaxColumns) {
        engine::raise(engine::kErrSheetFull,
                      QStringLiteral("The table has %1 fields; an Excel 8.0 worksheet holds at "
                                     "most %2 columns.")
                          .arg(columns.size())
                          .arg(biff::kMaxColumns));
    }
    std::filesystem::path p(path);
    s.base = p.filename().string();
    s.folder = p.parent_path().empty() ? std::string(".") : p.parent_path().string();
    if (s.base.empty() || s.base == "." || s.base == "..") {
        engine::raise(engine::kErrInvalidPath,
                      QStringLiteral("'%1' is not a valid path: it names no file.").arg(s.display));
    }
    struct stat st {};
    if (::stat(s.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        engine::raise(engine::kErrInvalidPath,
                      QStringLiteral("'%1' is not a valid path: the folder '%2' does not exist.")
                          .arg(s.display, QString::fromLocal8Bit(s.folder.c_str())));
    }
    if (::access(s.folder.c_str(), W_OK | X_OK) != 0) {
        raiseFileError(errno, s.display, QStringLiteral("create"));
    }
    s.sheet.assign(sheet);
    if (::lstat(path.c_str(), &st) == 0) {
        openExisting();
        s.strings = SharedStrings(s.layout.sstUnique);
        s.worksheet.emplace(columns, s.strings, s.plan.xfs, false);
        return;
    }
    if (errno != ENOENT) raiseFileError(errno, s.display, QStringLiteral("create"));
    s.worksheet.emplace(columns, s.strings);
}

void SheetExport::openExisting() {
    State& s = *state_;
    if (std::filesystem::is_symlink(s.path)) {
        // The link stays; the workbook it names is replaced.
        std::error_code error;
        std::filesystem::path target = std::filesystem::canonical(s.path, error);
        if (error) raiseFileError(error.value(), s.display, QStringLiteral("open"));
        s.path = target.string();
        s.base = target.filename().string();
        s.folder = target.parent_path().string();
    }
    if (::stat(s.path.c_str(), &s.original) != 0) {
        raiseFileError(errno, s.display, QStringLiteral("open"));
    }
    if (!S_ISREG(s.original.st_mode)) {
        raiseNotWorkbook(s.display, QStringLiteral("it is not a file"));
    }
    if (::access(s.path.c_str(), R_OK | W_OK) != 0 ||
        ::access(s.folder.c_str(), W_OK | X_OK) != 0) {
        raiseFileError(errno, s.display, QStringLiteral("open"));
    }
    s.input = std::make_unique<CompoundInput>(readWholeFile(s.path, s.display), s.display);
    const std::vector<std::uint8_t>& stream = s.input->workbook();
    s.layout = readWorkbook(stream.data(), stream.size(), s.display);
    if (hasSheetNamed(s.layout, s.sheet)) {
        engine::raise(engine::kErrTableExists,
                      QStringLiteral("Table '%1' already exists.").arg(engine::toQString(s.sheet)));
    }
    s.plan = planAppend(s.layout);
}

SheetExport::~SheetExport() = default;
SheetExport::SheetExport(SheetExport&&) noexcept = default;
SheetExport& SheetExport::operator=(SheetExport&&) noexcept = default;

// Runs one step of the export. A failure spoils it for good: every later call
// reports the same error.
template <typename Step>
void SheetExport::guarded(Step step) {
    State& s = *state_;
    if (s.failure) throw *s.failure;
    try {
        step();
    } catch (const converti::Error& e) {
        s.failure = e;
        throw;
    } catch (...) {
        s.failure =
            converti::Error(engine::kErrReservedError,
                            QStringLiteral("Writing the workbook '%1' failed.").arg(s.display));
        throw;
    }
}

void SheetExport::addRow(const engine::Row& row) {
    guarded([&] {
        State& s = *state_;
        s.worksheet->addRow(row);
        s.checkSize();
    });
}

void SheetExport::State::checkSize() const {
    const State& s = *this;
    const std::uint64_t existing = s.input ? s.input->workbook().size() : 0;
    // Strings take a CONTINUE header at most every 64 bytes or so; the globals of a
    // new workbook, or what an existing one's grow by, fit well in the last term.
    const std::uint64_t estimate =
        existing + s.worksheet->estimatedSize() + s.strings.encodedBytes() / 64 * 65 + 65536;
    if (estimate > kMaxStreamBytes) {
        engine::raise(engine::kErrSheetFull,
                      QStringLiteral("The workbook would pass the 2 GB an Excel 8.0 file "
                                     "holds, at record %1.")
                          .arg(s.worksheet->dataRowCount()));
    }
}

void SheetExport::commit() {
    State& s = *state_;
    if (s.committed) {
        engine::raise(engine::kErrReservedError,
                      QStringLiteral("The workbook '%1' was already written.").arg(s.display));
    }
    // A failed commit() spoils the export: a second one reports the same error.
    guarded([&] {
        s.checkSize();
        if (s.input) s.checkUnchanged();
        // The whole workbook goes to a temporary file in the same folder, which
        // replaces nothing until it is complete.
        TempFile temp(s.folder, s.base, s.display);
        if (s.input) {
            // The replacement keeps the workbook's permissions, and its owner where we may.
            if (::fchmod(temp.fd(), s.original.st_mode & 07777) != 0) {
                raiseFileError(errno, s.display, QStringLiteral("write"));
            }
            if (::geteuid() == 0 &&
                ::fchown(temp.fd(), s.original.st_uid, s.original.st_gid) != 0) {
                raiseFileError(errno, s.display, QStringLiteral("write"));
            }
        }
        writeCompoundFile(
            temp.fd(), s.display,
            [&](ByteSink& sink) {
                RecordWriter w(sink);
                if (s.input) {
                    const std::vector<std::uint8_t>& stream = s.input->workbook();
                    writeWithSheet(w, stream.data(), stream.size(), s.layout, s.plan, s.sheet,
                                   s.strings, *s.worksheet);
                } else {
                    writeNewWorkbook(w, s.sheet, s.strings, *s.worksheet);
                }
            },
            s.input.get());
        s.finishFile(temp);
    });
}

void SheetExport::State::checkUnchanged() const {
    const State& s = *this;
    struct stat now {};
    if (::stat(s.path.c_str(), &now) != 0 || !sameFile(now, s.original)) {
        engine::raise(engine::kErrCreateFailed,
                      QStringLiteral("The workbook '%1' was changed by another program while "
                                     "the rows were copied; it is left as it is.")
                          .arg(s.display));
    }
}

void SheetExport::State::finishFile(TempFile& temp) {
    State& s = *this;
    if (::fsync(temp.fd()) != 0) raiseFileError(errno, s.display, QStringLiteral("write"));
    if (int error = temp.close()) raiseFileError(error, s.display, QStringLiteral("write"));
    if (s.input) {
        // The workbook that was read is replaced, unless another program changed it.
        checkUnchanged();
        if (::rename(temp.path().c_str(), s.path.c_str()) != 0) {
            raiseFileError(errno, s.display, QStringLiteral("save"));
        }
    } else {
        moveIntoPlace(temp.path(), s.path, s.display);
    }
    temp.keep();
    s.committed = true;
    syncFolder(s.folder);
}

}  // namespace excel
