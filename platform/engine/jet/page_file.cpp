#include "page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/error_codes.h"
#include "core/little_endian.h"

namespace jet {

namespace {

QString quoted(const std::string& path) { return QStringLiteral("'%1'").arg(QString::fromStdString(path)); }

}  // namespace

void rc4(const std::uint8_t* key, std::size_t keyLen, std::uint8_t* data, std::size_t len) {
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + s[i] + key[i % keyLen]);
        std::swap(s[i], s[j]);
    }
    std::uint8_t a = 0, b = 0;
    for (std::size_t n = 0; n < len; ++n) {
        a = static_cast<std::uint8_t>(a + 1);
        b = static_cast<std::uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        data[n] ^= s[static_cast<std::uint8_t>(s[a] + s[b])];
    }
}

std::shared_ptr<PageFile> PageFile::openPath(const std::string& path) {
    struct stat st {};
    if (path.empty()) engine::raise(engine::kErrInvalidPath, QStringLiteral("No database file was named."));
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            engine::raise(engine::kErrFileNotFound,
                          QStringLiteral("Could not find file %1.").arg(quoted(path)));
        if (errno == EACCES)
            engine::raise(engine::kErrCannotOpen,
                          QStringLiteral("Cannot open %1: permission denied.").arg(quoted(path)));
        engine::raise(engine::kErrInvalidPath,
                      QStringLiteral("%1 is not a valid path.").arg(quoted(path)));
    }
    if (S_ISDIR(st.st_mode))
        engine::raise(engine::kErrInvalidPath,
                      QStringLiteral("%1 is a folder, not a database file.").arg(quoted(path)));
    if (!S_ISREG(st.st_mode))
        engine::raise(engine::kErrUnrecognizedFormat,
                      QStringLiteral("%1 is not a database file.").arg(quoted(path)));

    std::shared_ptr<PageFile> file(new PageFile);
    file->path_ = path;
    file->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file->fd_ < 0) {
        const int err = errno;
        engine::raise(engine::kErrCannotOpen,
                      QStringLiteral("Cannot open %1: %2.")
                          .arg(quoted(path), QString::fromLocal8Bit(std::strerror(err))));
    }
    if (::fstat(file->fd_, &st) != 0)
        engine::raise(engine::kErrCannotOpen, QStringLiteral("Cannot read %1.").arg(quoted(path)));
    file->size_ = static_cast<std::uint64_t>(st.st_size);
    file->checkHeader();
    return file;
}

std::shared_ptr<PageFile> PageFile::openBytes(std::string bytes) {
    std::shared_ptr<PageFile> file(new PageFile);
    file->bytes_ = std::move(bytes);
    file->size_ = file->bytes_.size();
    file->checkHeader();
    return file;
}

PageFile::~PageFile() {
    if (fd_ >= 0) ::close(fd_);
}

QString PageFile::displayName() const {
    return path_.empty() ? QStringLiteral("(database in memory)") : quoted(path_);
}

void PageFile::corrupt(const QString& what) const {
    engine::raise(engine::kErrUnrecognizedFormat,
                  QStringLiteral("The database %1 is damaged or truncated: %2.").arg(displayName(), what));
}

std::size_t PageFile::readUpTo(std::uint64_t offset, std::uint8_t* out, std::size_t n) const {
    if (fd_ < 0) {
        const std::size_t have = offset < bytes_.size() ? std::min<std::size_t>(n, bytes_.size() - offset) : 0;
        std::memcpy(out, bytes_.data() + offset, have);
        return have;
    }
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) cannotRead();
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void PageFile::readRaw(std::uint64_t offset, std::uint8_t* out, std::size_t n) const {
    if (readUpTo(offset, out, n) != n) cannotRead();
}

void PageFile::cannotRead() const {
    engine::raise(engine::kErrCannotOpen,
                  QStringLiteral("Cannot read %1 (it may have changed while open).").arg(displayName()));
}

namespace {

// What kind of Office encryption the EncryptionInfo in an ACE header names, for
// the message that refuses the file.
QString encryptionKind(const std::vector<std::uint8_t>& head) {
    const std::size_t info = kHeaderCryptInfo + 2;
    if (le16(&head[kHeaderCryptInfo]) < 8 || info + 8 > head.size()) return QStringLiteral("Office encryption");
    const unsigned major = le16(&head[info]), minor = le16(&head[info + 2]);
    const std::uint32_t flags = le32(&head[info + 4]);
    if (major == 4 && minor == 4) return QStringLiteral("Office agile encryption");
    if (major == 1 && minor == 1) return QStringLiteral("Office RC4 encryption");
    if (minor == 2 && (flags & kCryptFlagCryptoApi))
        return (flags & kCryptFlagAes) ? QStringLiteral("Office standard (AES) encryption")
                                       : QStringLiteral("Office RC4 CryptoAPI encryption");
    return QStringLiteral("Office encryption");
}

}  // namespace

void PageFile::checkHeader() {
    const auto notAccess = [this] {
        engine::raise(engine::kErrUnrecognizedFormat,
                      QStringLiteral("Unrecognized database format %1: it is not an Access database "
                                     "(.mdb or .accdb).")
                          .arg(displayName()));
    };
    if (size_ < kJet3.pageSize) notAccess();
    std::vector<std::uint8_t> head(kJet3.pageSize);
    readRaw(0, head.data(), head.size());
    const FileVersion* version = nullptr;
    for (const FileVersion& v : kFileVersions)
        if (std::memcmp(head.data() + kHeaderMagic, v.magic, kMagicSize) == 0 &&
            (version == nullptr || v.code == head[kHeaderVersion]))
            version = &v;
    if (head[0] != 0 || version == nullptr) notAccess();
    if (version->code != head[kHeaderVersion])
        engine::raise(engine::kErrUnrecognizedFormat,
                      QStringLiteral("Unrecognized database format %1: version %2 of the %3 format "
                                     "is not read by this engine.")
                              .arg(displayName())
                              .arg(head[kHeaderVersion])
                              .arg(QLatin1String(version->magic)));
    format_ = version->format;
    engineVersion_ = version->engine;
    if (size_ % format_->pageSize != 0 || size_ / format_->pageSize < 3)
        corrupt(QStringLiteral("its size is not a whole number of pages"));
    const std::uint64_t pages = size_ / format_->pageSize;
    pageCount_ = pages > 0xffffffu ? 0xffffffu : static_cast<std::uint32_t>(pages);

    // The whole first page: an ACE header's encryption details lie past Jet 3's page.
    head.resize(format_->pageSize);
    readRaw(0, head.data(), head.size());
    rc4(kHeaderMaskKey, sizeof kHeaderMaskKey, head.data() + kHeaderMaskStart,
        static_cast<std::size_t>(format_->headerMaskedSize));

    const std::uint32_t key = le32(head.data() + kHeaderDbKey);
    if (key != 0 && format_->keyMeansEncrypted)
        engine::raise(engine::kErrInvalidPassword,
                      QStringLiteral("Not a valid password. The database %1 is encrypted with a "
                                     "password (%2).")
                          .arg(displayName(), encryptionKind(head)));

    // A database password is stored masked; any nonzero byte after unmasking means
    // one is set. Jet 4 and ACE add a mask made of the creation date's integer part.
    std::uint8_t dateMask[4] = {0, 0, 0, 0};
    if (format_->creationDateOffset >= 0) {
        double date;
        const std::uint64_t bits = le64(head.data() + format_->creationDateOffset);
        std::memcpy(&date, &bits, sizeof date);
        std::int32_t whole = 0;
        if (std::isfinite(date))
            whole = date >= 2147483647.0 ? 2147483647
                    : date <= -2147483648.0 ? INT32_MIN
                                            : static_cast<std::int32_t>(date);
        const auto u = static_cast<std::uint32_t>(whole);
        for (int i = 0; i < 4; ++i) dateMask[i] = static_cast<std::uint8_t>(u >> (8 * i));
    }
    for (int i = 0; i < format_->passwordSize; ++i) {
        if ((head[kHeaderPassword + i] ^ dateMask[i % 4]) != 0)
            engine::raise(engine::kErrInvalidPassword,
                          QStringLiteral("Not a valid password. The database %1 is protected by a "
                                         "database password.")
                              .arg(displayName()));
    }
    dbKey_ = key;
    if (format_->codePageText) {
        const int cp = le16(head.data() + kHeaderCodePage);
        codePage_ = cp == 0 ? 1252 : cp;
    }
}

void PageFile::unmask(std::uint32_t pg, std::uint8_t* page) const {
    if (pg == 0 || dbKey_ == 0) return;
    const std::uint32_t k = dbKey_ ^ pg;
    std::uint8_t key[4];
    engine::putLe32(key, k);
    rc4(key, sizeof key, page, format_->pageSize);
}

void PageFile::read(std::uint32_t pg, std::vector<std::uint8_t>& out) const {
    if (pg >= pageCount_)
        corrupt(QStringLiteral("page %1 lies past the end of the file").arg(pg));
    out.resize(format_->pageSize);
    readRaw(static_cast<std::uint64_t>(pg) * format_->pageSize, out.data(), out.size());
    unmask(pg, out.data());
}

std::span<const std::uint8_t> PageFile::page(std::uint32_t pg, PageRun& run,
                                             std::vector<std::uint8_t>& alone) const {
    const std::size_t size = format_->pageSize;
    const bool forward = run.last != UINT32_MAX && pg > run.last && pg - run.last <= PageRun::kPages;
    run.last = pg;
    if (pg < run.first || pg - run.first >= run.count) {
        if (!forward || pg >= pageCount_) {
            read(pg, alone);
            return alone;
        }
        const std::uint32_t want = std::min(PageRun::kPages, pageCount_ - pg);
        run.bytes.resize(want * size);
        // A file cut short since it was opened ends the run early; the page asked
        // for is then read alone, which reports the damage.
        const std::size_t got = readUpTo(static_cast<std::uint64_t>(pg) * size, run.bytes.data(), want * size);
        run.first = pg;
        run.count = static_cast<std::uint32_t>(got / size);
        for (std::uint32_t i = 0; i < run.count; ++i) unmask(pg + i, run.bytes.data() + i * size);
        if (run.count == 0) {
            read(pg, alone);
            return alone;
        }
    }
    return {run.bytes.data() + static_cast<std::size_t>(pg - run.first) * size, size};
}

}  // namespace jet
