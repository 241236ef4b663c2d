#include <QDir>
#include <QFileInfo>
#include <QString>
#include <algorithm>

#include "core/qt_text.h"
#include "core/error_codes.h"
#include "core/name_order.h"
#include "ace_columns.h"
#include "jet.h"
#include "row_reader.h"

namespace jet {

namespace {

// Linked tables may link to tables that are linked again; deeper than this is a loop.
constexpr int kMaxLinkDepth = 8;

struct Entry {
    std::u16string name;
    int type = 0;
    std::uint32_t tdefPage = 0;
    std::u16string linkedDatabase;  // linked tables only
    std::u16string foreignName;     // linked tables only
};

int compareNoCase(const std::u16string& a, const std::u16string& b) {
    return QStringView(a).compare(QStringView(b), Qt::CaseInsensitive);
}

const engine::Value* columnValue(const TableDef& def, const engine::Row& row, std::u16string_view name) {
    for (std::size_t i = 0; i < def.columns.size(); ++i)
        if (def.columns[i].name == name) return &row[i];
    return nullptr;
}

}  // namespace

std::string resolveLinkedPath(std::u16string_view stored, const std::string& databasePath,
                              std::u16string_view tableName) {
    // The stored path is usually a Windows path; failing it, look for the same
    // file name beside this database.
    const QString storedPath = engine::toQString(stored);
    if (!storedPath.isEmpty() && QFileInfo::exists(storedPath) && !QFileInfo(storedPath).isDir())
        return storedPath.toStdString();
    QString base = storedPath;
    base.replace(QLatin1Char('\\'), QLatin1Char('/'));
    base = base.mid(base.lastIndexOf(QLatin1Char('/')) + 1);
    const QString here = databasePath.empty()
                             ? QDir::currentPath()
                             : QFileInfo(QString::fromStdString(databasePath)).absolutePath();
    const QString beside = QDir(here).filePath(base);
    if (base.isEmpty() || !QFileInfo::exists(beside) || QFileInfo(beside).isDir())
        engine::raise(engine::kErrFileNotFound,
                      QStringLiteral("The linked table '%1' needs the database '%2', which was "
                                     "found neither there nor as '%3'.")
                          .arg(engine::toQString(tableName), storedPath, beside));
    return beside.toStdString();
}

struct Database::Impl {
    std::shared_ptr<const PageFile> file;
    std::shared_ptr<const TextDecoder> text;
    std::vector<Entry> entries;              // sorted like names
    std::vector<std::u16string> names;
    int depth = 0;

    // Takes the file and reads its catalogue.
    void load(std::shared_ptr<const PageFile> pages);
    void readCatalog();
    std::unique_ptr<Table> open(std::u16string_view name);
    std::unique_ptr<Table> openLinked(const Entry& e);
    CatalogueLookup lookup() const;
};

CatalogueLookup Database::Impl::lookup() const {
    CatalogueLookup out;
    out.nameAt = [this](std::uint32_t page) {
        for (const Entry& e : entries)
            if (e.type == kObjectTable && e.tdefPage == page) return e.name;
        return std::u16string();
    };
    out.pageOf = [this](std::u16string_view name) {
        for (const Entry& e : entries)
            if (e.type == kObjectTable && e.name == name) return e.tdefPage;
        return std::uint32_t{0};
    };
    return out;
}

struct Table::Impl {
    RowReader reader;
    std::vector<engine::Column> columns;
    explicit Impl(RowReader r) : reader(std::move(r)) {
        for (const ColumnDef& c : reader.def().columns)
            columns.push_back(engine::Column{c.name, c.engineType, c.precision, c.scale});
    }
};

Table::Table(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Table::~Table() = default;
const std::u16string& Table::name() const { return impl_->reader.def().name; }
const std::vector<engine::Column>& Table::columns() const { return impl_->columns; }
bool Table::next(engine::Row& row) { return impl_->reader.next(row); }

void Database::Impl::load(std::shared_ptr<const PageFile> pages) {
    file = std::move(pages);
    text = std::make_shared<TextDecoder>(file->format().codePageText, file->codePage());
    readCatalog();
}

void Database::Impl::readCatalog() {
    // MSysObjects lists every object; tables are type 1, linked tables 4 and 6.
    RowReader reader(file, text, readTableDef(*file, *text, kCatalogTdefPage, u"MSysObjects"));
    reader.onlyColumns({u"Id", u"Name", u"Type", u"Database", u"ForeignName"});
    const TableDef& def = reader.def();
    engine::Row row;
    while (reader.next(row)) {
        const engine::Value* type = columnValue(def, row, u"Type");
        const engine::Value* name = columnValue(def, row, u"Name");
        const engine::Value* id = columnValue(def, row, u"Id");
        if (type == nullptr || name == nullptr || id == nullptr)
            file->corrupt(QStringLiteral("its catalogue lacks the columns Id, Name and Type"));
        if (type->isNull() || name->isNull() || id->isNull() || name->type != engine::Type::Text) continue;
        const int t = static_cast<int>(type->integer);
        if (t != kObjectTable && t != kObjectLinkedTable && t != kObjectLinkedOdbc) continue;
        Entry e;
        e.name = name->text;
        e.type = t;
        e.tdefPage = static_cast<std::uint32_t>(id->integer) & 0xffffffu;
        if (const engine::Value* db = columnValue(def, row, u"Database"); db && !db->isNull())
            e.linkedDatabase = db->text;
        if (const engine::Value* fn = columnValue(def, row, u"ForeignName"); fn && !fn->isNull())
            e.foreignName = fn->text;
        entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return engine::nameBefore(a.name, b.name); });
    for (const Entry& e : entries) names.push_back(e.name);
}

std::unique_ptr<Table> Database::Impl::open(std::u16string_view name) {
    const Entry* found = nullptr;
    for (const Entry& e : entries)
        if (e.name == name) {
            found = &e;
            break;
        }
    if (found == nullptr) {
        const std::u16string wanted(name);
        for (const Entry& e : entries)
            if (compareNoCase(e.name, wanted) == 0) {
                found = &e;
                break;
            }
    }
    if (found == nullptr)
        engine::raise(engine::kErrTableNotFound,
                      QStringLiteral("The database engine cannot find the table '%1' in %2.")
                          .arg(engine::toQString(name), file->displayName()));
    if (found->type != kObjectTable) return openLinked(*found);
    TableDef def = readTableDef(*file, *text, found->tdefPage, found->name);
    // Only ACE files have calculated and complex columns (a Jet 4 column of the
    // complex type's number stays raw bytes).
    if (file->format().colComplexId >= 0 && (def.hasCalculated() || def.hasComplex()))
        completeAceColumns(file, text, lookup(), def);
    RowReader reader(file, text, std::move(def));
    return std::make_unique<Table>(std::make_unique<Table::Impl>(std::move(reader)));
}

std::unique_ptr<Table> Database::Impl::openLinked(const Entry& e) {
    if (e.type == kObjectLinkedOdbc || e.linkedDatabase.empty())
        engine::raise(engine::kErrIsamNotFound,
                      QStringLiteral("The table '%1' is linked to an external data source that this "
                                     "engine cannot read.")
                          .arg(engine::toQString(e.name)));
    if (depth >= kMaxLinkDepth)
        engine::raise(engine::kErrTableNotFound,
                      QStringLiteral("The linked table '%1' leads through too many linked databases.")
                          .arg(engine::toQString(e.name)));
    const std::string candidate = resolveLinkedPath(e.linkedDatabase, file->path(), e.name);
    Database linked;
    linked.impl_->depth = depth + 1;
    linked.impl_->load(PageFile::openPath(candidate));
    const std::u16string& remote = e.foreignName.empty() ? e.name : e.foreignName;
    return linked.impl_->open(remote);
}

Database::Database() : impl_(std::make_unique<Impl>()) {}
Database::~Database() = default;
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;

std::unique_ptr<Database> Database::open(const std::string& path) {
    std::unique_ptr<Database> db(new Database);
    db->impl_->load(PageFile::openPath(path));
    return db;
}

std::unique_ptr<Database> Database::openBuffer(std::string bytes) {
    std::unique_ptr<Database> db(new Database);
    db->impl_->load(PageFile::openBytes(std::move(bytes)));
    return db;
}

const std::vector<std::u16string>& Database::tableNames() const { return impl_->names; }

std::unique_ptr<Table> Database::openTable(std::u16string_view name) { return impl_->open(name); }

int Database::jetVersion() const { return impl_->file->engineVersion(); }

}  // namespace jet
