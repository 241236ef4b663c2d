#include "catalogue/catalogue.h"

#include <array>

namespace catalogue {

namespace {

struct TypeWord {
    std::int16_t code;
    const char* word;
};

// In the order FieldType compares them.
constexpr std::array<TypeWord, 12> kTypeWords = {{
    {engine::kTypeBoolean, "Boolean"},
    {engine::kTypeByte, "Byte"},
    {engine::kTypeInteger, "Integer"},
    {engine::kTypeLong, "Long"},
    {engine::kTypeCurrency, "Currency"},
    {engine::kTypeSingle, "Single"},
    {engine::kTypeDouble, "Double"},
    {engine::kTypeDate, "Date"},
    {engine::kTypeText, "Text"},
    {engine::kTypeLongBinary, "LongBinary"},
    {engine::kTypeMemo, "Memo"},
    {engine::kTypeGuid, "GUID"},
}};

}  // namespace

bool namesDatabase(const QString& candidate) { return candidate.right(4) == QLatin1String(".mdb"); }

bool isSystemTable(const QString& tableName) {
    return tableName.toUpper().contains(QLatin1String("MSYS"), Qt::CaseSensitive);
}

QString typeWord(std::int16_t code) {
    for (const TypeWord& t : kTypeWords)
        if (t.code == code) return QString::fromLatin1(t.word);
    return QString();
}

ScopedRecordset::ScopedRecordset(std::unique_ptr<engine::Recordset> recordset)
    : recordset_(std::move(recordset)) {}

ScopedRecordset::~ScopedRecordset() {
    if (!recordset_) return;
    try {
        recordset_->close();
    } catch (...) {
        // An error is already on its way up; this close must not replace it.
    }
}

void ScopedRecordset::close() {
    std::unique_ptr<engine::Recordset> open = std::move(recordset_);
    if (open) open->close();
}

}  // namespace catalogue
