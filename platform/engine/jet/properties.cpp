#include "properties.h"

#include <cstring>

#include "format.h"

namespace jet {

namespace {

// A bounded cursor over the blob: every read checks what is left.
struct Cursor {
    const std::uint8_t* p;
    std::size_t left;

    bool take(std::size_t n, const std::uint8_t** at) {
        if (n > left) return false;
        *at = p;
        p += n;
        left -= n;
        return true;
    }
    bool u16(std::uint16_t* v) {
        const std::uint8_t* at;
        if (!take(2, &at)) return false;
        *v = le16(at);
        return true;
    }
    bool u32(std::uint32_t* v) {
        const std::uint8_t* at;
        if (!take(4, &at)) return false;
        *v = le32(at);
        return true;
    }
    // u16 byte length, then that many bytes of UTF-16LE.
    bool name(std::u16string* out) {
        std::uint16_t n;
        const std::uint8_t* at;
        if (!u16(&n) || !take(n, &at)) return false;
        out->resize(n / 2);
        for (std::size_t i = 0; i < out->size(); ++i)
            (*out)[i] = static_cast<char16_t>(at[2 * i] | (at[2 * i + 1] << 8));
        return true;
    }
};

}  // namespace

std::optional<std::vector<Property>> parseProperties(std::string_view blob) {
    std::vector<Property> out;
    if (blob.empty()) return out;
    if (blob.size() < sizeof kPropertySignature ||
        std::memcmp(blob.data(), kPropertySignature, sizeof kPropertySignature) != 0)
        return std::nullopt;
    Cursor all{reinterpret_cast<const std::uint8_t*>(blob.data()) + sizeof kPropertySignature,
               blob.size() - sizeof kPropertySignature};
    std::vector<std::u16string> names;
    while (all.left > 0) {
        std::uint32_t length;
        std::uint16_t kind;
        const std::uint8_t* body;
        if (!all.u32(&length) || !all.u16(&kind) || length < kPropertyBlockHeader ||
            !all.take(length - kPropertyBlockHeader, &body))
            return std::nullopt;
        Cursor block{body, length - kPropertyBlockHeader};
        if (kind == kPropertyNames) {
            while (block.left > 0) {
                names.emplace_back();
                if (!block.name(&names.back())) return std::nullopt;
            }
            continue;
        }
        // A values block: the map's name part, then the values.
        std::u16string map;
        std::uint32_t namePart;
        const std::uint8_t* nameBytes;
        if (!block.u32(&namePart) || namePart < 4 || !block.take(namePart - 4, &nameBytes))
            return std::nullopt;
        Cursor mapName{nameBytes, namePart - 4};
        if (mapName.left >= 2 && !mapName.name(&map)) return std::nullopt;
        while (block.left > 0) {
            std::uint16_t valueLength, nameIndex, size;
            const std::uint8_t* value;
            if (!block.u16(&valueLength) || valueLength < kPropertyValueHeader ||
                !block.take(valueLength - 2u, &value))
                return std::nullopt;
            Cursor v{value, valueLength - 2u};
            const std::uint8_t* head;
            const std::uint8_t* data;
            v.take(2, &head);  // DDL flag, type
            if (!v.u16(&nameIndex) || !v.u16(&size) || !v.take(size, &data) ||
                nameIndex >= names.size())
                return std::nullopt;
            out.push_back({map, names[nameIndex], head[1],
                           std::string(reinterpret_cast<const char*>(data), size)});
        }
    }
    return out;
}

}  // namespace jet
