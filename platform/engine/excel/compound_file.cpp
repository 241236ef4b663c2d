#include "compound_file.h"

#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-meta-names.h>
#include <gsf/gsf-msole-utils.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "core/error_codes.h"
#include "workbook_reader.h"

namespace excel {

struct CompoundInput::Impl {
    GsfInput* memory = nullptr;
    GsfInfile* root = nullptr;
    ~Impl() {
        if (root) g_object_unref(root);
        if (memory) g_object_unref(memory);
    }
};

namespace {

// The compound file signature ([MS-CFB] 2.2 Compound File Header).
constexpr std::uint8_t kCfbSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool isWorkbookName(const char* name) { return name && g_ascii_strcasecmp(name, "Workbook") == 0; }

// Reads a whole stream; false when the container's chains do not hold it.
bool readStream(GsfInput* in, const std::function<bool(const guint8*, std::size_t)>& take) {
    gsf_off_t left = gsf_input_size(in);
    if (left < 0 || gsf_input_seek(in, 0, G_SEEK_SET)) return false;  // TRUE on error
    while (left > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<gsf_off_t>(left, 65536));
        const guint8* p = gsf_input_read(in, n, nullptr);
        if (!p || !take(p, n)) return false;
        left -= static_cast<gsf_off_t>(n);
    }
    return true;
}

// Reads every stream below `dir`, so damage shows before anything is written.
bool readable(GsfInfile* dir, int depth) {
    if (depth > 64) return false;
    for (int i = 0; i < gsf_infile_num_children(dir); ++i) {
        GsfInput* child = gsf_infile_child_by_index(dir, i);
        if (!child) return false;
        bool ok = GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0
                      ? readable(GSF_INFILE(child), depth + 1)
                      : readStream(child, [](const guint8*, std::size_t) { return true; });
        g_object_unref(child);
        if (!ok) return false;
    }
    return true;
}

// CLSID of an Excel 97-2003 workbook in the root entry, in the byte order of the
// directory entry ([MS-CFB] 2.6.1; {00020820-0000-0000-C000-000000000046}).
constexpr guint8 kExcelClsid[16] = {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Every few megabytes the disk writes are started, so the fsync before the
// rename waits for the tail of the file only.
constexpr std::size_t kWritebackBytes = std::size_t{4} << 20;

// libgsf writes through a stdio stream; a cookie stream over the descriptor
// keeps the errno of a failed write, so a full disk is told apart from other
// failures.
struct FdCookie {
    int fd;
    int error = 0;
    std::size_t unstarted = 0;  // bytes written since the disk writes were last started
};

ssize_t cookieWrite(void* c, const char* buf, size_t size) {
    auto* cookie = static_cast<FdCookie*>(c);
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(cookie->fd, buf + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            cookie->error = errno;
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    cookie->unstarted += size;
    if (cookie->unstarted >= kWritebackBytes) {
        cookie->unstarted = 0;
        // Only a hint: a file system without it still gets the fsync.
        ::sync_file_range(cookie->fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    return static_cast<ssize_t>(size);
}

int cookieSeek(void* c, off64_t* pos, int whence) {
    auto* cookie = static_cast<FdCookie*>(c);
    const off64_t at = ::lseek64(cookie->fd, *pos, whence);
    if (at < 0) {
        cookie->error = errno;
        return -1;
    }
    *pos = at;
    return 0;
}

struct GObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct FileClose {
    void operator()(FILE* f) const { std::fclose(f); }
};

class Writer {
public:
    Writer(int fd, const QString& path) : cookie_{fd}, path_(path) {}

    // A stdio stream over the descriptor, for libgsf.
    FILE* open() {
        cookie_io_functions_t io{};
        io.write = cookieWrite;
        io.seek = cookieSeek;
        FILE* file = fopencookie(&cookie_, "w", io);
        if (!file) raiseFileError(errno, path_, QStringLiteral("write"));
        return file;
    }

    bool failed() const { return cookie_.error != 0; }

    [[noreturn]] void fail(GsfOutput* output) {
        if (cookie_.error != 0) raiseFileError(cookie_.error, path_, QStringLiteral("write"));
        const GError* e = output ? gsf_output_error(output) : nullptr;
        engine::raise(engine::kErrCreateFailed,
                      QStringLiteral("Cannot write the workbook '%1': %2.")
                          .arg(path_, e ? QString::fromUtf8(e->message)
                                        : QStringLiteral("the container could not be built")));
    }

    void copyTree(GsfInfile* in, GsfOutfile* out, bool root);

    // The SummaryInformation and DocumentSummaryInformation property sets
    // ([MS-OLEPS]), written by libgsf: they name the application.
    void writeSummaries(GsfOutfile* ole) {
        GPtr<GsfDocMetaData> meta(gsf_doc_meta_data_new());
        GValue* generator = g_new0(GValue, 1);
        g_value_init(generator, G_TYPE_STRING);
        g_value_set_static_string(generator, "Converti");
        gsf_doc_meta_data_insert(meta.get(), g_strdup(GSF_META_NAME_GENERATOR), generator);
        for (bool document : {false, true}) {
            const char* name =
                document ? "\005DocumentSummaryInformation" : "\005SummaryInformation";
            GPtr<GsfOutput> out(gsf_outfile_new_child(ole, name, FALSE));
            if (!out) fail(GSF_OUTPUT(ole));
            if (!gsf_doc_meta_data_write_to_msole(meta.get(), out.get(), document)) fail(out.get());
            closeChecked(out.get());
        }
    }

    void closeChecked(GsfOutput* output) {
        if (!gsf_output_is_closed(output) && !gsf_output_close(output)) fail(output);
        if (gsf_output_error(output)) fail(output);
    }

private:
    FdCookie cookie_;
    QString path_;
};

// Buffers the stream and hands it to libgsf in large writes.
class GsfSink final : public ByteSink {
public:
    GsfSink(GsfOutput* out, Writer& writer) : out_(out), writer_(writer) { buf_.reserve(kSize); }
    void write(const std::uint8_t* data, std::size_t size) override {
        if (buf_.size() + size > kSize) flush();
        if (size >= kSize) {
            put(data, size);
        } else {
            buf_.insert(buf_.end(), data, data + size);
        }
    }
    void flush() {
        if (!buf_.empty()) put(buf_.data(), buf_.size());
        buf_.clear();
    }

private:
    static constexpr std::size_t kSize = 1 << 16;
    void put(const std::uint8_t* data, std::size_t size) {
        // libgsf notices a failed write to the file only when it closes: a full
        // disk is reported at the write that met it.
        if (!gsf_output_write(out_, size, data) || writer_.failed()) writer_.fail(out_);
    }
    GsfOutput* out_;
    Writer& writer_;
    std::vector<std::uint8_t> buf_;
};

void Writer::copyTree(GsfInfile* in, GsfOutfile* out, bool root) {
    for (int i = 0; i < gsf_infile_num_children(in); ++i) {
        const char* name = gsf_infile_name_by_index(in, i);
        if (root && isWorkbookName(name)) continue;
        GPtr<GsfInput> child(gsf_infile_child_by_index(in, i));
        if (!child || !name) fail(GSF_OUTPUT(out));
        const bool dir =
            GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
        GPtr<GsfOutput> copy(gsf_outfile_new_child(out, name, dir));
        if (!copy) fail(GSF_OUTPUT(out));
        if (dir) {
            guint8 clsid[16];
            if (GSF_IS_INFILE_MSOLE(child.get()) &&
                gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child.get()), clsid)) {
                gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(copy.get()), clsid);
            }
            copyTree(GSF_INFILE(child.get()), GSF_OUTFILE(copy.get()), false);
        } else {
            bool ok = readStream(child.get(), [&](const guint8* p, std::size_t n) {
                return gsf_output_write(copy.get(), n, p) != FALSE;
            });
            if (!ok) fail(copy.get());
        }
        closeChecked(copy.get());
    }
}

}  // namespace

void raiseFileError(int error, const QString& displayPath, const QString& action) {
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            engine::raise(engine::kErrDiskFull,
                          QStringLiteral("Not enough space on disk to %1 the workbook '%2' (%3).")
                              .arg(action, displayPath, reason));
        case EACCES:
        case EPERM:
        case EROFS:
            engine::raise(engine::kErrCannotOpen,
                          QStringLiteral("Cannot %1 the workbook '%2': %3. Check that the folder "
                                         "is writable.")
                              .arg(action, displayPath, reason));
        case ENOENT:
        case ENOTDIR:
            engine::raise(engine::kErrInvalidPath,
                          QStringLiteral("'%1' is not a valid path: %2.").arg(displayPath, reason));
        default:
            engine::raise(engine::kErrCreateFailed,
                          QStringLiteral("Cannot %1 the workbook '%2': %3.")
                              .arg(action, displayPath, reason));
    }
}

namespace {

// The container being written: the stream "Workbook" open for its bytes, the
// rest written by finish(). Destroyed without finish(), it closes quietly and
// the file's content is undefined.
class Output {
public:
    Output(int fd, const QString& displayPath, const CompoundInput* copyFrom)
        : writer_(fd, displayPath), copyFrom_(copyFrom) {
        file_.reset(writer_.open());
        const QByteArray name = displayPath.toUtf8();
        sink_.reset(gsf_output_stdio_new_FILE(name.constData(), file_.get(), TRUE));
        if (!sink_) writer_.fail(nullptr);
        ole_.reset(gsf_outfile_msole_new(sink_.get()));
        if (!ole_) writer_.fail(sink_.get());
        guint8 rootClass[16];
        std::memcpy(rootClass, kExcelClsid, sizeof rootClass);
        if (copyFrom) {
            gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(copyFrom->impl().root), rootClass);
        }
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(ole_.get()), rootClass);
        stream_.reset(gsf_outfile_new_child(ole_.get(), "Workbook", FALSE));
        if (!stream_) writer_.fail(GSF_OUTPUT(ole_.get()));
        bytes_.emplace(stream_.get(), writer_);
    }
    ~Output() {
        if (finished_) return;
        // Close quietly so nothing warns of unclosed outputs; the file is dropped.
        for (GsfOutput* o : {stream_.get(), GSF_OUTPUT(ole_.get()), sink_.get()}) {
            if (o && !gsf_output_is_closed(o)) gsf_output_close(o);
        }
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    ByteSink& workbook() { return *bytes_; }

    // Ends the stream and writes the rest of the container.
    void finish() {
        bytes_->flush();
        writer_.closeChecked(stream_.get());
        if (copyFrom_) {
            writer_.copyTree(copyFrom_->impl().root, ole_.get(), true);
        } else {
            writer_.writeSummaries(ole_.get());
        }
        writer_.closeChecked(GSF_OUTPUT(ole_.get()));  // closes the sink too
        writer_.closeChecked(sink_.get());
        if (std::fflush(file_.get()) != 0) writer_.fail(nullptr);
        file_.reset();  // nothing is left to write; the caller closes the descriptor
        finished_ = true;
    }

private:
    Writer writer_;
    const CompoundInput* copyFrom_;
    std::unique_ptr<FILE, FileClose> file_;
    GPtr<GsfOutput> sink_;
    GPtr<GsfOutfile> ole_;
    GPtr<GsfOutput> stream_;
    std::optional<GsfSink> bytes_;
    bool finished_ = false;
};

}  // namespace

void writeCompoundFile(int fd, const QString& displayPath,
                       const std::function<void(ByteSink&)>& produce,
                       const CompoundInput* copyFrom) {
    Output out(fd, displayPath, copyFrom);
    produce(out.workbook());
    out.finish();
}

CompoundInput::CompoundInput(std::vector<std::uint8_t> bytes, const QString& displayPath)
    : bytes_(std::move(bytes)), impl_(std::make_unique<Impl>()) {
    auto refuse = [&](const QString& why) { raiseNotWorkbook(displayPath, why); };
    if (bytes_.empty()) refuse(QStringLiteral("the file is empty"));
    if (bytes_.size() < sizeof kCfbSignature ||
        std::memcmp(bytes_.data(), kCfbSignature, sizeof kCfbSignature) != 0) {
        refuse(QStringLiteral("it is not an Excel 97-2003 (.xls) file"));
    }
    impl_->memory =
        gsf_input_memory_new(bytes_.data(), static_cast<gsf_off_t>(bytes_.size()), FALSE);
    if (!impl_->memory) refuse(QStringLiteral("it cannot be read"));
    impl_->root = gsf_infile_msole_new(impl_->memory, nullptr);
    if (!impl_->root || !readable(impl_->root, 0)) {
        refuse(QStringLiteral("its compound-file structure is damaged"));
    }
    GsfInput* stream = nullptr;
    bool book = false;
    for (int i = 0; i < gsf_infile_num_children(impl_->root); ++i) {
        const char* name = gsf_infile_name_by_index(impl_->root, i);
        if (isWorkbookName(name) && !stream) stream = gsf_infile_child_by_index(impl_->root, i);
        if (name && g_ascii_strcasecmp(name, "Book") == 0) book = true;
    }
    if (!stream) {
        refuse(book ? QStringLiteral("it was saved by Excel 5.0/95, an older format")
                    : QStringLiteral("it holds no workbook"));
    }
    GPtr<GsfInput> owned(stream);
    if (GSF_IS_INFILE(stream) && gsf_infile_num_children(GSF_INFILE(stream)) >= 0) {
        refuse(QStringLiteral("its workbook is not a stream"));
    }
    bool ok = readStream(stream, [&](const guint8* p, std::size_t n) {
        workbook_.insert(workbook_.end(), p, p + n);
        return true;
    });
    if (!ok) refuse(QStringLiteral("its compound-file structure is damaged"));
}

CompoundInput::~CompoundInput() = default;

}  // namespace excel
