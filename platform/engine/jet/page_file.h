#pragma once
// One open database file seen as numbered pages. Opening checks the database
// definition page (format, version, page size, database password, encryption)
// before anything else is read; page reads check bounds and undo the page masking of encoded
// databases, so callers see plain pages or an error.

#include <QString>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "format.h"

namespace jet {

// Pages read ahead in one run for a reader that walks forward through the file
// (a table's data pages, its long values): one system call per run instead of
// one per page. Each reader owns its runs, so nothing read before a scan began
// is reused by it.
struct PageRun {
    static constexpr std::uint32_t kPages = 16;
    std::vector<std::uint8_t> bytes;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    std::uint32_t last = UINT32_MAX;  // the page asked for last
};

class PageFile {
public:
    // Both throw converti::Error (3024, 3044, 3051, 3343, 3031).
    static std::shared_ptr<PageFile> openPath(const std::string& path);
    static std::shared_ptr<PageFile> openBytes(std::string bytes);
    ~PageFile();

    const Format& format() const { return *format_; }
    // 3, 4 (Jet); 12, 14, 16, 17 (ACE: Access 2007, 2010, 2016, 2019).
    int engineVersion() const { return engineVersion_; }
    std::uint32_t pageCount() const { return pageCount_; }
    std::uint64_t byteSize() const { return size_; }
    int codePage() const { return codePage_; }
    const std::string& path() const { return path_; }  // empty for bytes
    // The file named in error descriptions.
    QString displayName() const;

    // Fills out (resized to the page size) with page pg. Past the end: 3343.
    void read(std::uint32_t pg, std::vector<std::uint8_t>& out) const;
    // Page pg, read ahead through `run` when pg lies a little past the page asked
    // for last; elsewhere (a jump back or far ahead) read alone into `alone`. The
    // bytes are not copied out of the run: they stay valid until the next call
    // with the same run or `alone`.
    std::span<const std::uint8_t> page(std::uint32_t pg, PageRun& run,
                                       std::vector<std::uint8_t>& alone) const;

    [[noreturn]] void corrupt(const QString& what) const;

    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

private:
    PageFile() = default;
    void readRaw(std::uint64_t offset, std::uint8_t* out, std::size_t n) const;
    // Reads up to n bytes, fewer only at the end of the file; returns how many.
    std::size_t readUpTo(std::uint64_t offset, std::uint8_t* out, std::size_t n) const;
    [[noreturn]] void cannotRead() const;
    void unmask(std::uint32_t pg, std::uint8_t* page) const;
    void checkHeader();

    std::string path_;
    int fd_ = -1;
    std::string bytes_;
    std::uint64_t size_ = 0;
    const Format* format_ = nullptr;
    int engineVersion_ = 0;
    std::uint32_t pageCount_ = 0;
    std::uint32_t dbKey_ = 0;
    int codePage_ = 1252;
};

// RC4 over data in place with the given key (the Jet page masking).
void rc4(const std::uint8_t* key, std::size_t keyLen, std::uint8_t* data, std::size_t len);

}  // namespace jet
