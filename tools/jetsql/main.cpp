// jetsql [--help | --version] DATABASE STATEMENT
// Runs one statement on a database through the engine, exactly as the window's
// export does. A SELECT without INTO prints its rows as CSV (UTF-8, header line
// first). Exit 0 on success; on an error prints "Error N: description" to
// standard error and exits 1; a wrong call prints the usage to standard error and
// exits 2.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "engine/engine.h"

namespace {

// One CSV line, fields quoted when they hold a comma, a quote or a line break.
void printCsvLine(const QStringList& fields) {
    std::string line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        const QByteArray utf8 = fields[i].toUtf8();
        if (utf8.contains(',') || utf8.contains('"') || utf8.contains('\n') ||
            utf8.contains('\r')) {
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
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // The usage line names the program, not the path it was started by.
    char name[] = "jetsql";
    if (argc > 0) argv[0] = name;
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs one SQL statement on an Access database: .mdb (Access 97 to 2003) or\n"
        ".accdb (Access 2007, 2010, 2016 and 2019). SELECT ... INTO\n"
        "[Excel 8.0;DATABASE=file.xls].[sheet] FROM ... writes the rows into a worksheet;\n"
        "a SELECT without INTO prints them as CSV. Exit status: 0 done, 1 an error\n"
        "(\"Error N: description\" on standard error), 2 a wrong call. See jetsql(1).\n"
        "\n"
        "The fields Access 2007-2019 added: Large Number becomes a number cell;\n"
        "Date/Time Extended a date cell, or the text yyyy-mm-dd hh:mm:ss.fffffff when\n"
        "it has a fraction of a second; a multi-valued field the text of its values,\n"
        "an attachment field the attached files' names, each joined by \"; \"; a\n"
        "calculated field its stored result. A database with a password, or\n"
        "encrypted, is refused (error 3031)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("DATABASE"),
                                 QStringLiteral("The .mdb or .accdb file to read."));
    parser.addPositionalArgument(QStringLiteral("STATEMENT"),
                                 QStringLiteral("One SELECT statement."));
    const bool understood = parser.parse(app.arguments());
    if (understood && parser.isSet(help)) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        return 0;
    }
    if (understood && parser.isSet(version)) {
        std::puts("jetsql (Converti) " CONVERTI_VERSION);
        return 0;
    }
    const QStringList args = parser.positionalArguments();
    if (!understood || args.size() != 2) {
        if (!understood)
            std::fprintf(stderr, "jetsql: %s\n", parser.errorText().toUtf8().constData());
        std::fputs(parser.helpText().toUtf8().constData(), stderr);
        return 2;
    }
    const QString& databasePath = args[0];
    const QString& statement = args[1];
    try {
        engine::runStatement(databasePath, statement, printCsvLine, printCsvLine);
    } catch (const converti::Error& e) {
        std::fprintf(stderr, "Error %d: %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
