#pragma once
// Databases that mkmdb does not write, made from ones it does by moving pages:
// a catalogue with linked tables, rows written before columns were added.
// Knows only what it moves (page sizes, page types, a data page's owner),
// independently of the engine's reader; from the mdbtools format notes.

#include <cstdint>
#include <string>
#include <vector>

namespace support {

class JetPages {
public:
    // Reads the whole file. Throws std::runtime_error when it is no Jet 3 or 4 file.
    explicit JetPages(const std::string& path);
    void save(const std::string& path) const;

    // The table definition page, other than the catalogue's (page 2), whose
    // column names include `column`; throws when there is none.
    std::uint32_t definitionWithColumn(const std::string& column) const;
    // The data pages of the table defined at `definition`, in page order.
    std::vector<std::uint32_t> dataPages(std::uint32_t definition) const;
    // The length in bytes of each row on data page `n`, in slot order.
    std::vector<unsigned> rowLengths(std::uint32_t n) const;

    // The table defined at `definition` becomes the catalogue: its definition is
    // copied over page 2 and its data pages are given to it. Its rows must hold
    // the catalogue's columns Id, Name, Type and, for links, Database and
    // ForeignName.
    void makeCatalogue(std::uint32_t definition);
    // Data page `from` of `other` replaces data page `to` of this file, and is
    // given to the table defined at `definition` here.
    void replaceDataPage(std::uint32_t to, const JetPages& other, std::uint32_t from,
                         std::uint32_t definition);

private:
    std::uint8_t* page(std::uint32_t n) { return bytes_.data() + std::size_t{n} * pageSize_; }
    const std::uint8_t* page(std::uint32_t n) const {
        return bytes_.data() + std::size_t{n} * pageSize_;
    }
    std::uint32_t pageCount() const {
        return static_cast<std::uint32_t>(bytes_.size() / pageSize_);
    }

    std::vector<std::uint8_t> bytes_;
    std::size_t pageSize_ = 4096;
    int version_ = 4;
};

}  // namespace support
