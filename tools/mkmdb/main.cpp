// mkmdb DESCRIPTION.json OUTPUT.mdb: writes a Jet 4 database described in JSON.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>

#include "mkmdb.h"

int main(int argc, char** argv) {
    bool verbose = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::cout << "usage: mkmdb [-v] DESCRIPTION.json|- OUTPUT.mdb\n"
                         "Writes a new Jet 4 (Access 2000-2003) database from a JSON description.\n";
            return 0;
        } else {
            args.emplace_back(argv[i]);
        }
    }
    if (args.size() != 2) {
        std::cerr << "usage: mkmdb [-v] DESCRIPTION.json|- OUTPUT.mdb\n";
        return 2;
    }
    try {
        mkmdb::Database db;
        if (args[0] == "-") {
            std::string text{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
            db = mkmdb::parseDescription(text);
        } else {
            db = mkmdb::readDescription(args[0]);
        }
        mkmdb::WriteStats stats = mkmdb::write(db, args[1]);
        if (verbose)
            std::cout << args[1] << ": " << db.tables().size() << " tables, " << stats.rows << " rows, "
                      << stats.pages << " pages\n";
    } catch (const mkmdb::Error& e) {
        std::cerr << "mkmdb: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
