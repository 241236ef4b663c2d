// The path entry and the catalogue of the real window over the real engine: databases
// written by mkmdb, typed key by key into Text1.
#include <QGuiApplication>

#include "real_engine_support.h"

namespace {

using mkmdb::Type;

mkmdb::Database clientiDatabase() {
    mkmdb::Database db;
    auto& t = db.addTable("Clienti", {{"ID", Type::Long, {}}, {"Nome", Type::Text, {}}, {"Nota", Type::Memo, {}}});
    t.addRow({1, "Rossi", "cliente dal 1998"});
    t.addRow({2, "Bianchi", mkmdb::Null{}});
    return db;
}

mkmdb::Database ordiniDatabase() {
    mkmdb::Database db;
    db.addTable("Ordini", {{"Numero", Type::Integer, {}}, {"Data", Type::Date, {}}}).addRow({7, "2003-05-01"});
    db.addTable("Articoli", {{"Codice", Type::Text, {}}});
    return db;
}

using RealCatalogue = RealWindowTest;

TEST_F(RealCatalogue, TypingLoadsWhileTheFinalKeyIsDeliveredAndAgainOnFocusLost) {
    const QString db = path("base.mdb");
    write(clientiDatabase(), db);

    // The moment the first table arrives in List1, and what the box held then.
    int inserts = 0;
    QString textAtFirstInsert = "(none)";
    QString pendingAtFirstInsert = "(none)";
    QObject::connect(a->List1().model(), &QAbstractItemModel::rowsInserted, [&] {
        if (inserts++ == 0) {
            textAtFirstInsert = a->Text1().Text();
            pendingAtFirstInsert = a->strKeyPending();
        }
    });

    type(db.chopped(1));
    EXPECT_EQ(inserts, 0);
    EXPECT_EQ(a->dbBrowse(), nullptr);
    type("b");
    EXPECT_EQ(textAtFirstInsert, db.chopped(1));  // the b had not reached the box yet
    EXPECT_EQ(pendingAtFirstInsert, "b");
    EXPECT_EQ(a->Text1().Text(), db);
    EXPECT_EQ(a->strKeyPending(), "");
    EXPECT_EQ(items(a->List1()), QStringList{"Clienti"});
    EXPECT_EQ(a->List1().ListIndex(), 0);
    EXPECT_EQ(items(a->List2()), (QStringList{"ID", "Nome", "Nota"}));
    EXPECT_EQ(a->List2().ListIndex(), 0);
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // Another database at the same path: only a new load can show its tables.
    write(ordiniDatabase(), db);
    leaveText1();
    EXPECT_EQ(items(a->List1()), (QStringList{"Articoli", "Ordini"}));
    EXPECT_EQ(items(a->List2()), QStringList{"Codice"});
    EXPECT_EQ(a->lblFieldType().Caption(), "Text");
}

TEST_F(RealCatalogue, UpperCaseSuffixLoadsNothing) {
    const QString db = path("BASE.MDB");
    write(clientiDatabase(), db);
    type(db);
    leaveText1();
    EXPECT_EQ(a->dbBrowse(), nullptr);
    EXPECT_EQ(a->List1().ListCount(), 0);
    EXPECT_EQ(a->List2().ListCount(), 0);
}

TEST_F(RealCatalogue, BackspaceAfterMdbxEmptiesTheListsAndDoesNotRefill) {
    const QString db = path("base.mdb");
    write(clientiDatabase(), db);
    type(db);
    ASSERT_EQ(a->List1().ListCount(), 1);
    engine::Database* loaded = a->dbBrowse().get();
    a->Text1().setText(db + "x");  // no event: the lists stay filled
    a->Text1().end(false);
    ASSERT_EQ(a->List2().ListCount(), 3);

    QTest::keyClick(&a->Text1(), Qt::Key_Backspace);
    EXPECT_EQ(a->Text1().Text(), db);  // the box names the database again...
    EXPECT_EQ(a->List1().ListCount(), 0);  // ...but the candidate ended in code 8
    EXPECT_EQ(a->List2().ListCount(), 0);
    EXPECT_EQ(a->lblFieldType().Caption(), "");
    EXPECT_EQ(a->dbBrowse().get(), loaded);  // not reopened
}

TEST_F(RealCatalogue, NamesContainingMsysAnywhereAreLeftOut) {
    mkmdb::Database d;  // mkmdb writes MSysObjects and the other system tables itself
    d.addTable("Sysop", {{"A", Type::Long, {}}});
    d.addTable("ItemSystem", {{"B", Type::Long, {}}});
    d.addTable("Clienti", {{"C", Type::Text, {}}});
    const QString db = path("sys.mdb");
    write(d, db);
    type(db);
    EXPECT_EQ(items(a->List1()), (QStringList{"Clienti", "Sysop"}));
    EXPECT_EQ(items(a->List2()), QStringList{"C"});
    ASSERT_GE(a->dbBrowse()->tableDefCount(), 4);  // the system tables are there all the same
}

TEST_F(RealCatalogue, NoUserTables) {
    const QString empty = path("empty.mdb");
    write(mkmdb::Database{}, empty);
    const QString full = path("full.mdb");
    write(clientiDatabase(), full);

    // Typed: the key emptied everything first, the load adds nothing.
    type(empty);
    EXPECT_NE(a->dbBrowse(), nullptr);
    EXPECT_EQ(a->List1().ListCount(), 0);
    EXPECT_EQ(a->List1().ListIndex(), -1);
    EXPECT_EQ(a->List2().ListCount(), 0);
    EXPECT_EQ(a->lblFieldType().Caption(), "");

    // Focus lost: List1 is emptied, the field list and the label are left as they were.
    a->Text1().setText(full);
    leaveText1();
    ASSERT_EQ(a->lblFieldType().Caption(), "Long");
    focusText1();
    a->Text1().setText(empty);
    leaveText1();
    EXPECT_EQ(a->List1().ListCount(), 0);
    EXPECT_EQ(items(a->List2()), (QStringList{"ID", "Nome", "Nota"}));
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
}

TEST_F(RealCatalogue, FieldsInOrderAndTheTypeOfTheSelectedOne) {
    const QString db = path("base.mdb");
    write(clientiDatabase(), db);
    type(db);
    ASSERT_EQ(items(a->List2()), (QStringList{"ID", "Nome", "Nota"}));
    EXPECT_EQ(a->List2().Text(), "ID");
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
    a->List2().setListIndex(2);
    EXPECT_EQ(a->lblFieldType().Caption(), "Memo");
    a->List2().setListIndex(1);
    EXPECT_EQ(a->lblFieldType().Caption(), "Text");
}

// Every column type mkmdb writes, read back by the real engine and shown as its word.
TEST_F(RealCatalogue, TypeWordOfEveryColumnType) {
    const struct {
        const char* name;
        Type type;
        const char* word;
    } cases[] = {
        {"Sì", Type::Boolean, "Boolean"},   {"Piccolo", Type::Byte, "Byte"},
        {"Intero", Type::Integer, "Integer"}, {"Lungo", Type::Long, "Long"},
        {"Valuta", Type::Currency, "Currency"}, {"Singolo", Type::Single, "Single"},
        {"Doppio", Type::Double, "Double"}, {"Data", Type::Date, "Date"},
        {"Binario", Type::Binary, ""},       {"Testo", Type::Text, "Text"},
        {"Oggetto", Type::LongBinary, "LongBinary"}, {"Nota", Type::Memo, "Memo"},
        {"Replica", Type::Guid, "GUID"},    {"Decimale", Type::Decimal, ""},
    };
    std::vector<mkmdb::Column> columns;
    for (const auto& c : cases) columns.push_back({c.name, c.type, {}});
    mkmdb::Database d;
    d.addTable("Tipi", columns);
    const QString db = path("tipi.mdb");
    write(d, db);
    type(db);
    ASSERT_EQ(a->List2().ListCount(), static_cast<int>(std::size(cases)));
    // Each selection follows one that showed a different word, so an empty word is
    // really written and not left over.
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        a->List2().setListIndex(static_cast<std::int16_t>(i));
        EXPECT_EQ(a->List2().Text(), QString::fromUtf8(cases[i].name));
        EXPECT_EQ(a->lblFieldType().Caption(), cases[i].word) << cases[i].name;
    }
}

// A first field without a type word empties the label that an earlier load had set.
TEST_F(RealCatalogue, FirstFieldWithoutAWordEmptiesTheLabel) {
    const QString words = path("words.mdb");
    write(clientiDatabase(), words);
    for (Type type : {Type::Binary, Type::Decimal}) {
        SCOPED_TRACE(static_cast<int>(type));
        mkmdb::Database d;
        d.addTable("T", {{"F", type, {}}, {"G", Type::Long, {}}});
        const QString db = path(QString("t%1.mdb").arg(static_cast<int>(type)));
        write(d, db);
        focusText1();
        a->Text1().setText(words);
        leaveText1();
        ASSERT_EQ(a->lblFieldType().Caption(), "Long");
        focusText1();
        a->Text1().setText(db);
        leaveText1();  // focus lost does not clear the label: only the load can
        EXPECT_EQ(items(a->List2()), (QStringList{"F", "G"}));
        EXPECT_EQ(a->lblFieldType().Caption(), "");
    }
}

}  // namespace
