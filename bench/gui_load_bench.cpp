// How long the window takes, over the real engine, from the final key of a typed
// database path to the filled lists: the key-press opens the database, lists its
// 1,000 tables in List1, selects the first, lists that table's fields in List2 and
// shows the first field's type. Measured in-process around the key's delivery.
//
//   gui_load_bench [tables=1000] [runs=21]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frm_export.h"
#include "frm_export_access.h"
#include "mkmdb.h"

namespace {

// Tables "T0000".."T0999", each with a handful of columns and a few rows, so the
// catalogue spreads over many pages as in a real database of that size.
void writeDatabase(const QString& path, int tables) {
    mkmdb::Database db;
    for (int i = 0; i < tables; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "T%04d", i);
        auto& t = db.addTable(name, {{"ID", mkmdb::Type::Long, {}},
                                     {"Nome", mkmdb::Type::Text, {}},
                                     {"Importo", mkmdb::Type::Currency, {}},
                                     {"Data", mkmdb::Type::Date, {}},
                                     {"Nota", mkmdb::Type::Memo, {}}});
        for (int r = 0; r < 3; ++r) t.addRow({r, "riga", mkmdb::Currency{r * 10000}, 37000.5 + r, "nota"});
    }
    mkmdb::write(db, QFile::encodeName(path).toStdString());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int tables = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 21;
    if (tables < 1 || runs < 1) {
        std::fprintf(stderr, "usage: gui_load_bench [tables>=1] [runs>=1]\n");
        return 2;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath("tables.mdb");
    QElapsedTimer clock;
    clock.start();
    writeDatabase(path, tables);
    std::printf("database: %d tables, %lld bytes, written in %lld ms\n", tables,
                static_cast<long long>(QFile(path).size()), static_cast<long long>(clock.elapsed()));

    frmExport window;  // the real engine
    frmExportTestAccess a(window);
    window.show();
    QApplication::setActiveWindow(&window);
    if (!QTest::qWaitForWindowActive(&window)) {
        std::fprintf(stderr, "window did not become active\n");
        return 1;
    }

    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        a.Text1().setText(path.chopped(1));  // no event
        a.Text1().end(false);
        clock.restart();
        QTest::keyClick(&a.Text1(), 'b');
        const qint64 ns = clock.nsecsElapsed();
        if (a.List1().ListCount() != tables || a.List1().Text() != "T0000" || a.List2().ListCount() != 5 ||
            a.lblFieldType().Caption() != "Long") {
            std::fprintf(stderr, "run %d: lists not filled (List1 %d items, List2 %d items)\n", run,
                         a.List1().ListCount(), a.List2().ListCount());
            return 1;
        }
        ms.push_back(static_cast<double>(ns) / 1e6);
    }
    const double first = ms.front();
    std::sort(ms.begin(), ms.end());
    std::printf("final key to filled lists, %d runs: median %.2f ms, min %.2f ms, max %.2f ms (first run %.2f ms)\n",
                runs, ms[ms.size() / 2], ms.front(), ms.back(), first);
    return 0;
}
