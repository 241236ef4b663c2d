// libFuzzer target over the statement parser, WHERE compilation and evaluation, LIKE
// patterns and #date# literals. The first byte picks how the rest becomes text: even
// as UTF-8, odd as raw UTF-16 (so lone surrogates reach the code too).
//
// Besides "no crash", it checks one property: a text with every special character
// bracketed is a pattern that matches the text itself, alone and between stars.

#include <QString>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "error/error.h"
#include "sql/like_internal.h"
#include "sql/sql.h"
#include "sql/text_form_internal.h"

namespace {

using engine::Type;

const std::vector<engine::Column>& columns() {
    static const std::vector<engine::Column> kColumns = {
        {u"F", Type::Text},    {u"N", Type::Long}, {u"C", Type::Currency}, {u"D", Type::Double},
        {u"M", Type::Decimal}, {u"T", Type::Date}, {u"B", Type::Boolean},  {u"O", Type::Memo},
        {u"Y", Type::Binary},  {u"G", Type::Guid}, {u"S", Type::Single},
    };
    return kColumns;
}

engine::Row row(const std::u16string& text, bool nulls) {
    engine::Row r(columns().size());
    if (nulls) return r;
    for (std::size_t i = 0; i < r.size(); ++i) r[i].type = columns()[i].type;
    r[0].text = text;
    r[1].integer = static_cast<std::int64_t>(text.size()) - 3;
    r[2].integer = -125000;
    r[3].number = text.empty() ? 0.5 : text[0] * 1.5e10;
    r[4].decimal = {static_cast<unsigned __int128>(text.size()) * 1000003, 3, true};
    r[5].number = text.empty() ? -1.25 : text[0] * 37.7;
    r[6].boolean = text.size() % 2;
    r[7].text = text.substr(0, text.size() / 2);
    r[8].bytes = "xyz";
    r[9].bytes = std::string(16, '\x5a');
    r[10].number = 0.1;
    return r;
}

std::u16string escaped(const std::u16string& text) {
    std::u16string p;
    for (char16_t c : text) {
        if (c == '*' || c == '?' || c == '#' || c == '[') {
            p += u'[';
            p += c;
            p += u']';
        } else {
            p += c;
        }
    }
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096) return 0;
    std::u16string text;
    if (data[0] & 1) {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    } else {
        QString s = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                      static_cast<qsizetype>(size - 1));
        text.assign(reinterpret_cast<const char16_t*>(s.utf16()),
                    static_cast<std::size_t>(s.size()));
    }

    try {
        sql::Statement st = sql::parse(text);
        try {
            sql::resolveColumns(st, columns());
        } catch (const converti::Error&) {
        }
        sql::Filter filter = sql::Filter::compile(st, columns());
        filter.matches(row(text, false));
        filter.matches(row(text, true));
        filter.matches(row(u"", false));
    } catch (const converti::Error&) {
    }

    if (auto pattern = sql::LikePattern::compile(text)) {
        pattern->matches(text);
        pattern->matches(u"Roma Città 😀 12");
        pattern->matches(u"");
    }
    const std::u16string e = escaped(text);
    auto self = sql::LikePattern::compile(e);
    auto inside = sql::LikePattern::compile(u"*" + e + u"*");
    if (!self || !inside || !self->matches(text) || !inside->matches(u"a" + text + u"b"))
        std::abort();

    sql::parseDateLiteral(text);
    return 0;
}
