#include "jet_pages.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace support {
namespace {

// Format notes, "Database Definition Page", "Data Pages", "TDEF Pages".
constexpr std::size_t kVersionByte = 0x14;  // 0: Jet 3 (2 kB pages), 1: Jet 4 (4 kB pages)
constexpr std::uint8_t kDataPage = 0x01;
constexpr std::uint8_t kDefinitionPage = 0x02;
constexpr std::size_t kOwner = 4;  // data page: u32, the page of its table's definition
constexpr std::uint32_t kCatalogue = 2;
// Data page: u16 row count, then a u16 slot per row; a slot's low 13 bits are
// where its row starts, and a row ends where the one before it starts.
constexpr std::size_t kRowCountJet3 = 8;
constexpr std::size_t kRowCountJet4 = 12;
constexpr unsigned kSlotOffset = 0x1fff;

unsigned u16(const std::uint8_t* p) { return p[0] | p[1] << 8; }

std::uint32_t u32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

JetPages::JetPages(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
    if (bytes_.size() <= kVersionByte || bytes_[kVersionByte] > 1)
        throw std::runtime_error(path + " is no Jet 3 or Jet 4 database");
    version_ = bytes_[kVersionByte] == 0 ? 3 : 4;
    pageSize_ = version_ == 3 ? 2048 : 4096;
    if (bytes_.size() % pageSize_ != 0)
        throw std::runtime_error(path + " is not a whole number of pages");
}

void JetPages::save(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes_.data()),
              static_cast<std::streamsize>(bytes_.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::uint32_t JetPages::definitionWithColumn(const std::string& column) const {
    // Column names are stored in the database's code page (Jet 3) or UTF-16LE.
    std::string name;
    for (char c : column) {
        name += c;
        if (version_ == 4) name += '\0';
    }
    for (std::uint32_t n = 0; n < pageCount(); ++n) {
        const std::uint8_t* p = page(n);
        if (n == kCatalogue || p[0] != kDefinitionPage) continue;
        if (std::search(p, p + pageSize_, name.begin(), name.end(), [](std::uint8_t a, char b) {
                return a == static_cast<std::uint8_t>(b);
            }) != p + pageSize_)
            return n;
    }
    throw std::runtime_error("no table definition holds a column " + column);
}

std::vector<std::uint32_t> JetPages::dataPages(std::uint32_t definition) const {
    std::vector<std::uint32_t> pages;
    for (std::uint32_t n = 0; n < pageCount(); ++n) {
        if (page(n)[0] == kDataPage && u32(page(n) + kOwner) == definition) pages.push_back(n);
    }
    return pages;
}

std::vector<unsigned> JetPages::rowLengths(std::uint32_t n) const {
    const std::uint8_t* p = page(n);
    const std::size_t count = version_ == 3 ? kRowCountJet3 : kRowCountJet4;
    std::vector<unsigned> lengths;
    unsigned end = static_cast<unsigned>(pageSize_);
    for (unsigned i = 0; i < u16(p + count); ++i) {
        const unsigned start = u16(p + count + 2 + 2 * i) & kSlotOffset;
        lengths.push_back(end - start);
        end = start;
    }
    return lengths;
}

void JetPages::makeCatalogue(std::uint32_t definition) {
    for (std::uint32_t n : dataPages(definition)) putU32(page(n) + kOwner, kCatalogue);
    std::memcpy(page(kCatalogue), page(definition), pageSize_);
}

void JetPages::replaceDataPage(std::uint32_t to, const JetPages& other, std::uint32_t from,
                               std::uint32_t definition) {
    if (other.pageSize_ != pageSize_) throw std::runtime_error("pages of different sizes");
    std::memcpy(page(to), other.page(from), pageSize_);
    putU32(page(to) + kOwner, definition);
}

}  // namespace support
