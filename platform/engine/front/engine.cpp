// The engine the window talks to: connections and recordsets over jet/, and
// Execute through the executor.

#include <QFile>
#include <algorithm>
#include <limits>

#include "core/error_codes.h"
#include "engine/engine.h"
#include "executor.h"
#include "jet/jet.h"

namespace engine {
namespace {

// Counts and indexes cross the interface as 16-bit integers; a larger count
// is reported as the largest one so that loops over it stay in range.
std::int16_t countAsInt16(std::size_t n) {
    return static_cast<std::int16_t>(std::min<std::size_t>(n, std::numeric_limits<std::int16_t>::max()));
}

[[noreturn]] void raiseClosed(const char* what) {
    raise(kErrReservedError, QStringLiteral("The %1 is closed.").arg(QLatin1String(what)));
}

// Only what the window reads of a recordset: its fields' names and types. The
// table itself is let go at once, so a recordset holds no file open.
class JetRecordset final : public Recordset {
public:
    explicit JetRecordset(std::vector<Column> columns) : columns_(std::move(columns)) {}

    std::int16_t fieldCount() const override {
        check();
        return countAsInt16(columns_.size());
    }
    QString fieldName(std::int16_t index) const override {
        return QString::fromStdU16String(field(index).name);
    }
    std::int16_t fieldType(std::int16_t index) const override {
        return static_cast<std::int16_t>(field(index).type);
    }
    void close() override { closed_ = true; }

private:
    void check() const {
        if (closed_) raiseClosed("recordset");
    }
    const Column& field(std::int16_t index) const {
        check();
        if (index < 0 || static_cast<std::size_t>(index) >= columns_.size()) {
            raise(kErrItemNotFound, QStringLiteral("Item not found in this collection: there is "
                                                   "no field number %1.")
                                        .arg(index));
        }
        return columns_[static_cast<std::size_t>(index)];
    }

    std::vector<Column> columns_;
    bool closed_ = false;
};

class JetConnection final : public Database {
public:
    explicit JetConnection(std::unique_ptr<jet::Database> db) : db_(std::move(db)) {}

    std::int16_t tableDefCount() const override { return countAsInt16(open().tableNames().size()); }

    QString tableDefName(std::int16_t index) const override {
        const auto& names = open().tableNames();
        if (index < 0 || static_cast<std::size_t>(index) >= names.size()) {
            raise(kErrItemNotFound, QStringLiteral("Item not found in this collection: there is "
                                                   "no table number %1.")
                                        .arg(index));
        }
        return QString::fromStdU16String(names[static_cast<std::size_t>(index)]);
    }

    std::unique_ptr<Recordset> openRecordset(const QString& tableName) override {
        auto table = open().openTable(tableName.toStdU16String());
        return std::make_unique<JetRecordset>(table->columns());
    }

    void execute(const QString& statement) override { executeStatement(open(), statement); }

    void close() override { db_.reset(); }

private:
    jet::Database& open() const {
        if (!db_) raiseClosed("database");
        return *db_;
    }

    std::unique_ptr<jet::Database> db_;
};

class JetEngine final : public Engine {
public:
    std::unique_ptr<Database> openDatabase(const QString& path) override {
        return std::make_unique<JetConnection>(jet::Database::open(QFile::encodeName(path).toStdString()));
    }
};

}  // namespace

std::unique_ptr<Engine> createEngine() { return std::make_unique<JetEngine>(); }

}  // namespace engine
