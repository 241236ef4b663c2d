#include "executor.h"

#include <QByteArray>
#include <QFile>

#include "core/error_codes.h"
#include "engine/engine.h"
#include "excel/excel.h"
#include "jet/jet.h"
#include "sql/sql.h"

namespace engine {
namespace {

// The statement's table, filter and select list, resolved against each other.
struct Plan {
    sql::Statement statement;
    std::unique_ptr<jet::Table> table;
    std::vector<int> selected;
    std::vector<Column> columns;  // the selected ones, in select order
    bool identity = false;        // selected == every column in table order
};

Plan prepare(jet::Database& db, sql::Statement statement) {
    Plan plan;
    plan.statement = std::move(statement);
    plan.table = db.openTable(plan.statement.fromTable);
    const auto& all = plan.table->columns();
    plan.selected = sql::resolveColumns(plan.statement, all);
    plan.identity = plan.selected.size() == all.size();
    for (std::size_t i = 0; i < plan.selected.size(); ++i) {
        plan.columns.push_back(all[plan.selected[i]]);
        if (plan.selected[i] != static_cast<int>(i)) plan.identity = false;
    }
    return plan;
}

// Streams the matching rows of a prepared plan to sink, projected when the
// select list is not the table's own column order.
template <typename Sink>
void scan(Plan& plan, const sql::Filter& filter, Sink&& sink) {
    Row row;
    Row projected(plan.selected.size());
    while (plan.table->next(row)) {
        if (!filter.matches(row)) continue;
        if (plan.identity) {
            sink(row);
            continue;
        }
        for (std::size_t i = 0; i < plan.selected.size(); ++i) projected[i] = row[plan.selected[i]];
        sink(projected);
    }
}

void exportRows(jet::Database& db, sql::Statement statement) {
    Plan plan = prepare(db, std::move(statement));
    const sql::Filter filter = sql::Filter::compile(plan.statement, plan.table->columns());
    const auto& target = *plan.statement.into;
    const QByteArray path = QFile::encodeName(QString::fromStdU16String(target.database));
    excel::SheetExport out(path.toStdString(), target.sheet, plan.columns);
    scan(plan, filter, [&](const Row& row) { out.addRow(row); });
    out.commit();
}

QString textOf(const Value& v) {
    switch (v.type) {
        case Type::Null:
            return {};
        case Type::Text:
        case Type::Memo:
            return QString::fromStdU16String(v.text);
        case Type::Binary:
        case Type::LongBinary:
            return v.bytes.empty()
                       ? QString()
                       : QStringLiteral("0x") +
                             QString::fromLatin1(QByteArray::fromStdString(v.bytes).toHex());
        default:
            return QString::fromStdU16String(sql::textForm(v));
    }
}

}  // namespace

void executeStatement(jet::Database& db, const QString& statement) {
    sql::Statement parsed = sql::parse(statement.toStdU16String());
    if (!parsed.into) {
        raise(kErrCannotExecuteSelect, QStringLiteral("Cannot execute a select query: "
                                                      "the statement has no INTO target."));
    }
    exportRows(db, std::move(parsed));
}

void runStatement(const QString& path, const QString& statement,
                  const std::function<void(const QStringList&)>& header,
                  const std::function<void(const QStringList&)>& row) {
    sql::Statement parsed = sql::parse(statement.toStdU16String());
    auto db = jet::Database::open(QFile::encodeName(path).toStdString());
    if (parsed.into) return exportRows(*db, std::move(parsed));
    Plan plan = prepare(*db, std::move(parsed));
    const sql::Filter filter = sql::Filter::compile(plan.statement, plan.table->columns());
    QStringList texts;
    for (const Column& c : plan.columns) texts.push_back(QString::fromStdU16String(c.name));
    header(texts);
    scan(plan, filter, [&](const Row& values) {
        for (qsizetype i = 0; i < texts.size(); ++i)
            texts[i] = textOf(values[static_cast<std::size_t>(i)]);
        row(texts);
    });
}

}  // namespace engine
