// The real window over the real engine on databases made by Access: each path typed
// into Text1, the tables compared with mdbtools' list, the first table exported with
// Converti and read back with mdbtools and xlrd. Skips when the files are absent.
#include <QFileInfo>

#include "core/name_order.h"
#include "support.h"
#include "real_engine_support.h"

namespace {

// Every table that mdbtools finds in the catalogue, less those whose upper-case name
// holds MSYS, in the engine's alphabetical order of names. mdbtools'
// own notion of a system table (by its flags) would also hide the hidden tables of
// Access 2007's complex fields (f_<GUID>_Data), which the window lists like any other.
QStringList mdbtoolsTables(const std::string& db, std::string* error) {
    const support::Run r = support::run("mdb-tables", {"-S", "-1", db});
    if (r.status != 0) {
        *error = r.err;
        return {};
    }
    QStringList names;
    for (const QString& name : QString::fromStdString(r.out).split('\n', Qt::SkipEmptyParts))
        if (!name.toUpper().contains("MSYS")) names << name;
    std::sort(names.begin(), names.end(), [](const QString& x, const QString& y) {
        const auto view = [](const QString& s) {
            return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                       static_cast<std::size_t>(s.size()));
        };
        return engine::nameBefore(view(x), view(y));
    });
    return names;
}

using RealFixtures = RealWindowTest;

TEST_F(RealFixtures, EachDatabaseListsItsTablesAndExportsTheFirst) {
    const auto databases = support::realDatabases();
    if (databases.empty()) GTEST_SKIP() << "no real databases in " << CONVERTI_FIXTURES;
    if (support::run("mdb-tables", {"--version"}).status < 0) GTEST_SKIP() << "mdbtools missing";

    guitest::ErrorRecorder errors;
    guitest::FileDialogDriver driver;
    for (const auto& file : databases) {
        const QString db = QString::fromStdString(file.string());
        SCOPED_TRACE(file.filename().string());
        focusText1();
        a->Text1().clear();
        type(db);

        // Access checks the database password; mdbtools does not, so it lists the
        // tables all the same. The engine refuses to open it: nothing loads, silently.
        if (db.contains("with-password")) {
            EXPECT_EQ(a->List1().ListCount(), 0);
            EXPECT_TRUE(errors.errors().empty());
            continue;
        }
        std::string error;
        const QStringList expected = mdbtoolsTables(file.string(), &error);
        ASSERT_FALSE(expected.isEmpty()) << error;
        EXPECT_EQ(items(a->List1()), expected);
        ASSERT_EQ(a->List1().ListIndex(), 0);
        ASSERT_GT(a->List2().ListCount(), 0);
        const QString table = a->List1().Text();
        const QString field = a->List2().Text();

        const QString xls = path(QFileInfo(db).completeBaseName() + ".xls");
        driver.acceptWith(xls);
        clickConverti();
        ASSERT_TRUE(driver.seen().seen);
        EXPECT_TRUE(errors.errors().empty()) << s(errors.errors().back().description);
        ASSERT_TRUE(QFileInfo::exists(xls));
        std::string report;
        EXPECT_TRUE(support::workbookMatchesTable(file.string(), s(table), s(xls), "WorkSheet1", s(field), &report))
            << report;
        EXPECT_EQ(items(a->List1()), expected);  // the window as it was
    }
}

}  // namespace
