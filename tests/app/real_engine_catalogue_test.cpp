// The table and field lists of the real window over the real engine: databases written
// by mkmdb, typed key by key into Text1.
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

using RealCatalogue = RealWindowTest;

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
