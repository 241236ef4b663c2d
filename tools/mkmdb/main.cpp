// mkmdb [-v] DESCRIPTION.json|- OUTPUT: writes the database described in JSON.
// Exit 0 on success; 1 with a message naming table, column and row when the
// description cannot be written; 2 for a wrong call, with the usage.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "mkmdb.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a new Access database from a JSON description (see tools/mkmdb/README.md):\n"
        "Access 97 (Jet 3), 2000-2003 (Jet 4, the default) or 2007-2019 (ACE), as\n"
        "the description's \"version\" says. Exit status: 0 written, 1 the description\n"
        "cannot be written (nothing is left behind), 2 a wrong call."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption verbose({QStringLiteral("v"), QStringLiteral("verbose")},
                                     QStringLiteral("Tell how many tables, rows and pages were written."));
    parser.addOption(help);
    parser.addOption(verbose);
    parser.addPositionalArgument(QStringLiteral("DESCRIPTION"),
                                 QStringLiteral("The JSON description, or - for standard input."));
    parser.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("The database file to write."));
    const bool understood = parser.parse(app.arguments());
    if (understood && parser.isSet(help)) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        return 0;
    }
    const QStringList args = parser.positionalArguments();
    if (!understood || args.size() != 2) {
        if (!understood) std::fprintf(stderr, "mkmdb: %s\n", parser.errorText().toUtf8().constData());
        std::fputs(parser.helpText().toUtf8().constData(), stderr);
        return 2;
    }
    const std::string output = QFile::encodeName(args[1]).toStdString();
    try {
        mkmdb::Database db;
        if (args[0] == QLatin1String("-")) {
            std::string text{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
            db = mkmdb::parseDescription(text);
        } else {
            db = mkmdb::readDescription(QFile::encodeName(args[0]).toStdString());
        }
        mkmdb::WriteStats stats = mkmdb::write(db, output);
        if (parser.isSet(verbose))
            std::cout << output << ": " << db.tables().size() << " tables, " << stats.rows << " rows, "
                      << stats.pages << " pages\n";
    } catch (const mkmdb::Error& e) {
        std::cerr << "mkmdb: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
