#pragma once
// Helpers shared by the statement tests.

#include <gtest/gtest.h>

#include <QString>
#include <string>
#include <string_view>

#include "support.h"

namespace sql_test {

inline std::string utf8(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())).toStdString();
}

inline std::u16string u16(std::string_view utf8Text) {
    QString s = QString::fromUtf8(utf8Text.data(), static_cast<qsizetype>(utf8Text.size()));
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                          static_cast<std::size_t>(s.size()));
}

using support::errorOf;

}  // namespace sql_test
