#include "core/name_order.h"

#include <QCollator>
#include <QLocale>

namespace engine {
namespace {

// ICU's collation for English is its root collation, free of any language's
// tailoring; Qt's C locale would compare code points instead. Secondary strength
// weighs letters, then accents, and leaves case to the tie-break below.
const QCollator& collator() {
    static const QCollator instance = [] {
        QCollator c{QLocale(QLocale::English)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.compare(QStringView(u"a"), QStringView(u"b"));  // sets the collator up before callers share it
        return c;
    }();
    return instance;
}

QStringView view(std::u16string_view s) {
    return QStringView(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

int compareNames(std::u16string_view a, std::u16string_view b) {
    const int order = collator().compare(view(a), view(b));
    if (order != 0) return order;
    return a.compare(b);
}

}  // namespace engine
