// jetsql DATABASE STATEMENT
// Runs one statement on a database through the engine, exactly as the window's
// export does. A SELECT without INTO prints its rows as CSV (UTF-8, header line
// first). Exit 0 on success; on an error prints "Error N: description" to
// standard error and exits 1.

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "front/executor.h"
#include "jet/jet.h"
#include "sql/sql.h"

namespace {

void putField(std::string& line, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (utf8.contains(',') || utf8.contains('"') || utf8.contains('\n') || utf8.contains('\r')) {
        line += '"';
        for (char c : utf8) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    } else {
        line.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    }
}

QString csvText(const engine::Value& v) {
    switch (v.type) {
        case engine::Type::Null:
            return {};
        case engine::Type::Text:
        case engine::Type::Memo:
            return QString::fromStdU16String(v.text);
        case engine::Type::Binary:
        case engine::Type::LongBinary:
            return v.bytes.empty() ? QString()
                                   : QStringLiteral("0x") + QString::fromLatin1(
                                         QByteArray::fromStdString(v.bytes).toHex());
        default:
            return QString::fromStdU16String(sql::textForm(v));
    }
}

void printCsv(const QString& databasePath, const QString& statement) {
    auto db = jet::Database::open(QFile::encodeName(databasePath).toStdString());
    std::string line;
    auto endLine = [&line] {
        line += "\r\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        line.clear();
    };
    engine::runSelect(
        *db, statement,
        [&](const std::vector<engine::Column>& columns) {
            for (std::size_t i = 0; i < columns.size(); ++i) {
                if (i) line += ',';
                putField(line, QString::fromStdU16String(columns[i].name));
            }
            endLine();
        },
        [&](const engine::Row& row) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                if (i) line += ',';
                putField(line, csvText(row[i]));
            }
            endLine();
        });
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("usage: jetsql DATABASE STATEMENT\n", stderr);
        return 2;
    }
    const QString& databasePath = args[1];
    const QString& statement = args[2];
    try {
        if (sql::parse(statement.toStdU16String()).into) {
            auto db = engine::createEngine()->openDatabase(databasePath);
            db->execute(statement);
            db->close();
        } else {
            printCsv(databasePath, statement);
        }
    } catch (const converti::Error& e) {
        std::fprintf(stderr, "Error %d: %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
