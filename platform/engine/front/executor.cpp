#include "executor.h"

#include <QFile>

#include "core/error_codes.h"
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

}  // namespace

void executeStatement(jet::Database& db, const QString& statement) {
    sql::Statement parsed = sql::parse(statement.toStdU16String());
    if (!parsed.into) {
        raise(kErrCannotExecuteSelect, QStringLiteral("Cannot execute a select query: "
                                                      "the statement has no INTO target."));
    }
    Plan plan = prepare(db, std::move(parsed));
    const sql::Filter filter = sql::Filter::compile(plan.statement, plan.table->columns());
    const auto& target = *plan.statement.into;
    const QByteArray path = QFile::encodeName(QString::fromStdU16String(target.database));
    excel::SheetExport out(path.toStdString(), target.sheet, plan.columns);
    scan(plan, filter, [&](const Row& row) { out.addRow(row); });
    out.commit();
}

void runSelect(jet::Database& db, const QString& statement,
               const std::function<void(const std::vector<Column>&)>& header,
               const std::function<void(const Row&)>& row) {
    sql::Statement parsed = sql::parse(statement.toStdU16String());
    if (parsed.into) {
        raise(kErrSyntaxInStatement,
              QStringLiteral("A SELECT with INTO writes a workbook; run it as an action."));
    }
    Plan plan = prepare(db, std::move(parsed));
    const sql::Filter filter = sql::Filter::compile(plan.statement, plan.table->columns());
    header(plan.columns);
    scan(plan, filter, row);
}

}  // namespace engine
