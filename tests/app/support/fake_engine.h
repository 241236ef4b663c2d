#pragma once
// An in-memory stand-in for the database engine (engine/engine.h) for window tests:
// database files are maps of tables with fields; every open, close, drop and execute
// is written to a log that the test reads after the window has taken the engine.
//
//   auto files = std::make_shared<fake::Files>();
//   files->databases["/data/base.mdb"] = {{"Clienti", {{"ID", 4}, {"Nome", 10}}}};
//   frmExport window(fake::factory(files));
//   ... files->log, files->executed, files->openConnections() ...

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "engine/engine.h"

namespace fake {

struct Field {
    QString name;
    std::int16_t type;
};

struct Table {
    QString name;
    std::vector<Field> fields;
    bool cannotOpen = false;  // openRecordset raises 3078 as for a missing table
};

using DatabaseFile = std::vector<Table>;  // in the engine's index order

struct Files {
    std::map<QString, DatabaseFile> databases;  // by the exact path given to openDatabase

    // Faults to inject.
    bool tableDefCountFails = false;  // tableDefCount raises 3000
    int tableDefNameFailsAt = -1;     // tableDefName(i) raises 3000 for this i
    bool executeFails = false;        // execute raises 3061
    bool closeFails = false;          // Database::close raises 3420

    // What happened, in order: "open PATH", "close PATH", "drop PATH" (released
    // without close), "tabledef NAME" (a name read), "recordset TABLE", "rsclose TABLE", "rsdrop
    // TABLE", "execute PATH", "engine created".
    QStringList log;
    // Called with each line as it is logged, while the engine call runs: a test can
    // look at the window at that moment (what Text1 holds, the screen pointer...).
    std::function<void(const QString&)> onLog;
    void note(const QString& line) {
        log << line;
        if (onLog) onLog(line);
    }
    std::vector<QString> executed;  // statement texts, in order
    int enginesCreated = 0;
    int liveConnections = 0;  // Database objects alive now
    int liveRecordsets = 0;   // Recordset objects alive now
    int openRecordsets = 0;   // opened and not yet closed
};

// The factory a frmExport takes; each call makes an engine over the same files.
std::function<std::unique_ptr<engine::Engine>()> factory(std::shared_ptr<Files> files);

}  // namespace fake
