#pragma once
// The compound-file container around the workbook stream ([MS-CFB] Compound File
// Binary Format), built with libgsf. Only this file talks to libgsf.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "byte_sink.h"

namespace excel {

// An existing compound file, read from memory: its "Workbook" stream, and every
// other stream and storage to copy into the file that replaces it.
class CompoundInput {
public:
    // Throws 3274 naming `displayPath` unless `bytes` is a compound file holding a
    // "Workbook" stream (an Excel 5.0/95 "Book" stream is refused too).
    CompoundInput(std::vector<std::uint8_t> bytes, const QString& displayPath);
    ~CompoundInput();
    CompoundInput(const CompoundInput&) = delete;
    CompoundInput& operator=(const CompoundInput&) = delete;

    const std::vector<std::uint8_t>& workbook() const { return workbook_; }

    struct Impl;  // the libgsf reader, kept open for the copy
    const Impl& impl() const { return *impl_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint8_t> workbook_;
    std::unique_ptr<Impl> impl_;
};

// Writes a compound file holding one stream named "Workbook" to the open file
// `fd` (positioned at 0, left open); `produce` writes the stream's bytes into the
// sink it is given. Throws converti::Error naming `displayPath`: 3026 when the
// disk or the file size limit is reached, 3436 for any other write failure; an
// error thrown by `produce` passes through. The file's content is undefined after
// a throw.
// With `copyFrom`, the file gets its root's class and every stream and storage
// (with its class) but "Workbook", instead of new summary streams.
void writeCompoundFile(int fd, const QString& displayPath,
                       const std::function<void(ByteSink&)>& produce,
                       const CompoundInput* copyFrom = nullptr);

// The error for a failed file operation on the workbook, by errno: 3026 disk full,
// 3051 permission, 3044 missing folder, 3436 otherwise.
[[noreturn]] void raiseFileError(int error, const QString& displayPath, const QString& action);

}  // namespace excel
