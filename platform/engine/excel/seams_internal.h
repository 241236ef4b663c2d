#pragma once
// Seams for the tests of what a test cannot make for real: a workbook at the
// 2 GB limit, a file system without RENAME_NOREPLACE or hard links. The program
// never changes them, and with their defaults the code does what it would
// without them.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace excel::seams {

// When set, every size the 2 GB checks measure (the estimate of the workbook
// stream, the size of an existing workbook's file) is replaced by what it
// returns for it before it is compared with the limit.
inline std::uint64_t (*measuredSize)(std::uint64_t bytes) = nullptr;

inline std::uint64_t measured(std::uint64_t bytes) {
    return measuredSize ? measuredSize(bytes) : bytes;
}

// The calls that move a new workbook into place, each returning 0 or -1 with
// errno set.
inline int (*renameNoReplace)(const char* from, const char* to) = [](const char* from,
                                                                     const char* to) {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
};
inline int (*hardLink)(const char* from, const char* to) = ::link;

}  // namespace excel::seams
