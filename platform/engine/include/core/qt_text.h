#pragma once
// Engine texts are UTF-16 units, as QString's are: messages that name a table,
// field or file take them through here.

#include <QString>
#include <QStringView>
#include <string_view>

namespace engine {

inline QString toQString(std::u16string_view s) { return QStringView(s).toString(); }

}  // namespace engine
