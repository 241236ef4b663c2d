#pragma once
// The order in which the engine lists names (the tables of a database): the
// alphabetical order a reader expects, the same on every machine.

#include <string_view>

namespace engine {

// Negative, zero or positive as a sorts before, with or after b. Letters compare
// as in a locale-neutral collation: an accented letter beside its base letter
// (Élenco before Fatture), blanks before digits before letters, other scripts after
// Latin. Case and accents decide only between names otherwise equal, and names
// equal even so are ordered by their UTF-16 code units ("ABC" before "abc"), so
// only identical names compare equal.
int compareNames(std::u16string_view a, std::u16string_view b);

inline bool nameBefore(std::u16string_view a, std::u16string_view b) {
    return compareNames(a, b) < 0;
}

}  // namespace engine
