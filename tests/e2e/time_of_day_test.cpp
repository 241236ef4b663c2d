// A time of day alone (a Date/Time value on day zero, 1899-12-30) exported with
// jetsql: a date cell below 1 under a time format, as xlrd, LibreOffice and
// Gnumeric read it. The last two run where they are installed.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <cmath>
#include <fstream>

#include "support.h"
#include "mkmdb.h"

namespace {

using support::run;

constexpr double at(double seconds) { return seconds / 86400; }

struct TimeOfDay : ::testing::Test {
    void SetUp() override {
        using mkmdb::Type;
        mkmdb::Database db;
        auto& t = db.addTable("Orari", {{"Nome", Type::Text, {}}, {"Ora", Type::Date, {}}});
        t.addRow({"apertura", mkmdb::DateTime{at(45015)}});            // 12:30:15
        t.addRow({"mezzanotte", mkmdb::DateTime{0}});                  // 00:00:00
        t.addRow({"sotto zero", mkmdb::DateTime{-0.5}});               // 12:00:00
        t.addRow({"riporto", mkmdb::DateTime{-1.9999999}});            // 1899-12-30 00:00:00
        t.addRow({"quasi domani", mkmdb::DateTime{at(86399.5)}});      // 1899-12-31
        t.addRow({"data", "2024-03-01 08:00:00"});
        mkmdb::write(db, db_);
        const auto r = run(support::bin("jetsql"),
                           {db_, "SELECT * INTO [Excel 8.0;DATABASE=" + xls_ +
                                     "].[WorkSheet1] FROM [Orari]WHERE [Orari.Nome]like '**';"});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    // The first line of the CSV file holding "apertura", the time's row.
    static std::string openingLine(const std::string& csv) {
        std::ifstream in(csv);
        std::string line;
        while (std::getline(in, line))
            if (line.find("apertura") != std::string::npos) return line;
        return "(no line with apertura in " + csv + ")";
    }

    support::TempDir dir_;
    std::string db_ = dir_.file("orari.mdb");
    std::string xls_ = dir_.file("orari.xls");
};

TEST_F(TimeOfDay, XlrdReadsADateCellBelowOneWithATimeFormat) {
    const auto r = run(CONVERTI_PYTHON,
                       {std::string(CONVERTI_SOURCE_DIR) + "/tests/engine/excel/read_xls.py", xls_});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_TRUE(doc["problems"].toArray().isEmpty());
    const QJsonArray cells = doc["sheets"].toArray()[0].toObject()["cells"].toArray();
    struct Want {
        int row;
        const char* type;
        double seconds;  // the value in seconds (a date cell) or nothing (text)
        const char* text;
        const char* format;
    };
    const Want wants[] = {
        {1, "date", 45015, "", "hh:mm:ss"},
        {2, "date", 0, "", "hh:mm:ss"},
        {3, "date", 43200, "", "hh:mm:ss"},
        {4, "date", 0, "", "hh:mm:ss"},
        {5, "text", 0, "1899-12-31", "General"},
        {6, "date", 45352 * 86400.0 + 8 * 3600, "", "yyyy-mm-dd hh:mm:ss"},
    };
    for (const Want& w : wants) {
        SCOPED_TRACE(w.row);
        QJsonArray cell;
        for (const auto& c : cells) {
            const QJsonArray a = c.toArray();
            if (a[0].toInt() == w.row && a[1].toInt() == 1) cell = a;
        }
        ASSERT_FALSE(cell.isEmpty());
        EXPECT_EQ(cell[2].toString().toStdString(), w.type);
        EXPECT_EQ(cell[4].toString().toStdString(), w.format);
        if (std::string(w.type) == "date") {
            EXPECT_EQ(std::round(cell[3].toDouble() * 86400), w.seconds);
            if (w.format == std::string("hh:mm:ss")) {
                EXPECT_LT(cell[3].toDouble(), 1.0);
            }
        } else {
            EXPECT_EQ(cell[3].toString().toStdString(), w.text);
        }
    }
}

// The filter reads the value as the cell shows it.
TEST_F(TimeOfDay, TheFilterMatchesTheTimeAsShown) {
    const auto r =
        run(support::bin("jetsql"), {db_, "SELECT Nome, Ora FROM Orari WHERE Ora like '12:*'"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Nome,Ora\r\napertura,12:30:15\r\nsotto zero,12:00:00\r\n");
}

TEST_F(TimeOfDay, LibreOfficeShowsTheTime) {
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    // The ninth filter option writes the cells as shown rather than in the
    // program's own default form for their kind.
    const auto r = run(soffice.toStdString(),
                       {"-env:UserInstallation=file://" + dir_.file("profile").string(), "--headless",
                        "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true",
                        "--outdir", dir_.file("lo"), xls_});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(openingLine(dir_.file("lo/orari.csv")), "apertura,12:30:15");
}

TEST_F(TimeOfDay, GnumericShowsTheTime) {
    const QString ssconvert = QStandardPaths::findExecutable("ssconvert");
    if (ssconvert.isEmpty()) GTEST_SKIP() << "Gnumeric (ssconvert) is not installed";
    const std::string csv = dir_.file("gnumeric.csv");
    const auto r = run(ssconvert.toStdString(), {xls_, csv});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(openingLine(csv), "apertura,12:30:15");
}

}  // namespace
