#pragma once
// The compound-file container around the workbook stream ([MS-CFB] Compound File
// Binary Format), built with libgsf. Only this file talks to libgsf.

#include <QString>
#include <functional>

#include "byte_sink.h"

namespace excel {

// Writes a compound file holding one stream named "Workbook" to the open file
// `fd` (positioned at 0, left open); `produce` writes the stream's bytes into the
// sink it is given. Throws converti::Error naming `displayPath`: 3026 when the
// disk or the file size limit is reached, 3436 for any other write failure; an
// error thrown by `produce` passes through. The file's content is undefined after
// a throw.
void writeCompoundFile(int fd, const QString& displayPath,
                       const std::function<void(ByteSink&)>& produce);

// The error for a failed file operation on the workbook, by errno: 3026 disk full,
// 3051 permission, 3044 missing folder, 3436 otherwise.
[[noreturn]] void raiseFileError(int error, const QString& displayPath, const QString& action);

}  // namespace excel
