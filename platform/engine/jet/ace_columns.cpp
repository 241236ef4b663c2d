#include "ace_columns.h"

#include <QStringView>
#include <algorithm>
#include <vector>

#include "core/error_codes.h"
#include "core/qt_text.h"
#include "properties.h"
#include "row_reader.h"

namespace jet {

namespace {

struct ComplexRow {
    std::int32_t id = 0;
    std::uint32_t typeTable = 0;
    std::uint32_t conceptualTable = 0;
    std::uint32_t flatTable = 0;
};

// Row ids name a table by its definition page in the low 24 bits.
std::uint32_t tablePage(std::int64_t id) { return static_cast<std::uint32_t>(id) & 0xffffffu; }

bool equalNames(std::u16string_view a, std::u16string_view b) {
    return QStringView(a).compare(QStringView(b), Qt::CaseInsensitive) == 0;
}

const engine::Value* valueOf(const TableDef& def, const engine::Row& row,
                             std::u16string_view name) {
    for (std::size_t i = 0; i < def.columns.size(); ++i)
        if (def.columns[i].name == name) return &row[i];
    return nullptr;
}

const ColumnDef* columnNamed(const TableDef& def, std::u16string_view name) {
    for (const ColumnDef& c : def.columns)
        if (c.name == name) return &c;
    return nullptr;
}

// The type code of a multi-valued field whose values have this column type;
// Binary for types no multi-valued field holds.
engine::Type multiValuedType(std::uint8_t valueType) {
    switch (valueType) {
        case kColByte:
            return engine::Type::ComplexByte;
        case kColInt:
            return engine::Type::ComplexInteger;
        case kColLong:
            return engine::Type::ComplexLong;
        case kColFloat:
            return engine::Type::ComplexSingle;
        case kColDouble:
            return engine::Type::ComplexDouble;
        case kColGuid:
            return engine::Type::ComplexGuid;
        case kColNumeric:
            return engine::Type::ComplexDecimal;
        case kColText:
            return engine::Type::ComplexText;
        default:
            return engine::Type::Binary;
    }
}

// The types an expression's result can have (Jackcess CalculatedColumnUtil).
bool resultTypeKnown(std::uint8_t type) {
    switch (type) {
        case kColBool:
        case kColByte:
        case kColInt:
        case kColLong:
        case kColMoney:
        case kColFloat:
        case kColDouble:
        case kColDateTime:
        case kColText:
        case kColMemo:
        case kColGuid:
        case kColNumeric:
        case kColBigInt:
        case kColExtDate:
            return true;
        default:
            return false;
    }
}

class Completer {
public:
    Completer(const std::shared_ptr<const PageFile>& file,
              const std::shared_ptr<const TextDecoder>& text, const CatalogueLookup& catalogue,
              TableDef& def)
        : file_(file), text_(text), catalogue_(catalogue), def_(def) {}

    void run() {
        if (def_.hasCalculated()) resultTypes();
        if (def_.hasComplex()) {
            loadComplexRows();
            std::vector<ColumnDef> shown;
            for (ColumnDef& c : def_.columns)
                if (c.type != kColComplex || complex(c)) shown.push_back(std::move(c));
            def_.columns = std::move(shown);
        }
    }

private:
    [[noreturn]] void damaged(const ColumnDef& c, const QString& what) const {
        file_->corrupt(QStringLiteral("table '%1', column '%2': %3")
                           .arg(engine::toQString(def_.name), engine::toQString(c.name), what));
    }

    TableDef table(std::uint32_t page) const {
        return readTableDef(*file_, *text_, page, catalogue_.nameAt(page));
    }

    // The table's own properties: its row of MSysObjects.
    std::string properties() const {
        RowReader reader(file_, text_,
                         readTableDef(*file_, *text_, kCatalogTdefPage, u"MSysObjects"));
        reader.onlyColumns({u"Id", u"LvProp"});
        engine::Row row;
        while (reader.next(row)) {
            const engine::Value* id = valueOf(reader.def(), row, u"Id");
            const engine::Value* props = valueOf(reader.def(), row, u"LvProp");
            if (id == nullptr || props == nullptr || id->isNull() ||
                tablePage(id->integer) != def_.tdefPage)
                continue;
            return props->isNull() ? std::string() : props->bytes;
        }
        return {};
    }

    void resultTypes() {
        const auto props = parseProperties(properties());
        for (ColumnDef& c : def_.columns) {
            if (!c.calculated) continue;
            if (!props) damaged(c, QStringLiteral("the table's properties are damaged"));
            const auto found = std::find_if(props->begin(), props->end(), [&](const Property& p) {
                return p.name == kPropertyResultType && equalNames(p.map, c.name) &&
                       !p.data.empty();
            });
            if (found == props->end() ||
                !resultTypeKnown(static_cast<std::uint8_t>(found->data[0])))
                damaged(c, QStringLiteral("the calculated field has no result type"));
            c.type = static_cast<std::uint8_t>(found->data[0]);
            c.engineType = engineType(c.type);
            c.precision = c.scale = 0;  // a calculated Decimal's result holds its own scale
        }
    }

    void loadComplexRows() {
        const std::uint32_t page = catalogue_.pageOf(kComplexColumnsTable);
        if (page == 0)
            file_->corrupt(QStringLiteral("table '%1' has complex columns but the database has "
                                          "no MSysComplexColumns")
                               .arg(engine::toQString(def_.name)));
        RowReader reader(file_, text_, table(page));
        engine::Row row;
        while (reader.next(row)) {
            const engine::Value* fields[] = {valueOf(reader.def(), row, kComplexId),
                                             valueOf(reader.def(), row, kComplexTypeObject),
                                             valueOf(reader.def(), row, kComplexConceptualTable),
                                             valueOf(reader.def(), row, kComplexFlatTable)};
            if (std::any_of(std::begin(fields), std::end(fields), [](const engine::Value* v) {
                    return v == nullptr || v->type != engine::Type::Long;
                }))
                continue;
            rows_.push_back({static_cast<std::int32_t>(fields[0]->integer),
                             tablePage(fields[1]->integer), tablePage(fields[2]->integer),
                             tablePage(fields[3]->integer)});
        }
    }

    // Resolves c; false when it is to be left out (a version history).
    bool complex(ColumnDef& c) {
        const auto found = std::find_if(rows_.begin(), rows_.end(),
                                        [&](const ComplexRow& r) { return r.id == c.complexId; });
        if (found == rows_.end())
            damaged(c,
                    QStringLiteral("MSysComplexColumns has no entry %1 for it").arg(c.complexId));
        if (found->conceptualTable != def_.tdefPage)
            damaged(c, QStringLiteral("its entry in MSysComplexColumns belongs to another table"));
        const TableDef type = table(found->typeTable);

        // What the values are follows from the columns of the type table: one
        // column of a plain type (multi-valued), the attachment's columns, or a
        // memo with the time it was written (version history).
        std::u16string value;
        engine::Type code = engine::Type::Binary;
        const ColumnDef* fileName = columnNamed(type, kAttachmentFileName);
        const ColumnDef* fileData = columnNamed(type, kAttachmentFileData);
        const auto has = [&](std::uint8_t t) {
            return std::any_of(type.columns.begin(), type.columns.end(),
                               [t](const ColumnDef& x) { return x.type == t; });
        };
        if (type.columns.size() == 1 &&
            multiValuedType(type.columns[0].type) != engine::Type::Binary) {
            value = type.columns[0].name;
            code = multiValuedType(type.columns[0].type);
        } else if (fileName && fileName->type == kColText && fileData &&
                   fileData->type == kColOle) {
            value = fileName->name;
            code = engine::Type::Attachment;
        } else if (type.columns.size() >= 2 && has(kColMemo) && has(kColDateTime)) {
            return false;
        } else {
            return true;  // a kind not known here: raw bytes
        }

        auto source = std::make_shared<ComplexSource>();
        source->flat = table(found->flatTable);
        source->valueColumn = value;
        const ColumnDef* held = columnNamed(source->flat, value);
        if (held == nullptr || held->type != columnNamed(type, value)->type)
            damaged(c, QStringLiteral("its hidden table lacks the column '%1'")
                           .arg(engine::toQString(value)));
        // The key the table's rows hold: the Long that is neither the values' own
        // autonumber nor a column of the type table.
        for (const ColumnDef& x : source->flat.columns)
            if (x.type == kColLong && !x.autoNumber && !x.calculated &&
                columnNamed(type, x.name) == nullptr)
                source->keyColumn = x.name;
        if (source->keyColumn.empty())
            damaged(c, QStringLiteral("its hidden table has no key column"));
        c.complex = std::move(source);
        c.engineType = code;
        return true;
    }

    const std::shared_ptr<const PageFile>& file_;
    const std::shared_ptr<const TextDecoder>& text_;
    const CatalogueLookup& catalogue_;
    TableDef& def_;
    std::vector<ComplexRow> rows_;
};

}  // namespace

void completeAceColumns(const std::shared_ptr<const PageFile>& file,
                        const std::shared_ptr<const TextDecoder>& text,
                        const CatalogueLookup& catalogue, TableDef& def) {
    Completer(file, text, catalogue, def).run();
}

}  // namespace jet
