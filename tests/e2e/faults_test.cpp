// Faults a user meets while exporting: the disk fills up, the folder is
// read-only. Each gets a clear error and leaves no file behind. The small or
// read-only file systems are mounted in a private mount namespace, which needs
// root; elsewhere these tests skip.

#include <gtest/gtest.h>

#include "support.h"
#include "mkmdb.h"

namespace {

// Runs jetsql with the workbook folder mounted as a fresh tmpfs with the given
// options; prints jetsql's error, then "rc=N", then the folder's entries.
support::Run exportOnto(const std::string& mountOptions, const std::string& folder,
                    const std::string& db, const std::string& statement) {
    return support::run("unshare", {"-m", "sh", "-c",
                                "mount -t tmpfs -o \"$1\" tmpfs \"$2\" || exit 99; "
                                "\"$3\" \"$4\" \"$5\" 2>&1; echo \"rc=$?\"; ls -A \"$2\"",
                                "sh", mountOptions, folder, support::bin("jetsql"), db, statement});
}

class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder_);
        auto probe = support::run("unshare", {"-m", "sh", "-c", "mount -t tmpfs -o size=64k tmpfs \"$1\"",
                                          "sh", folder_});
        if (probe.status != 0) GTEST_SKIP() << "cannot mount a private tmpfs here: " << probe.err;
        using mkmdb::Type;
        mkmdb::Database model;
        auto& t = model.addTable("Note", {{"ID", Type::Long, {}}, {"Testo", Type::Memo, {}}});
        t.generateRows(2000, [](std::uint64_t i, mkmdb::Row& r) {
            r[0] = static_cast<std::int64_t>(i);
            r[1] = std::string(1500, static_cast<char>('a' + i % 26)) + std::to_string(i);
        });
        mkmdb::write(model, db_);
    }

    std::string statement() const {
        return "SELECT * INTO [Excel 8.0;DATABASE=" + folder_ +
               "/out.xls].[WorkSheet1] FROM [Note]WHERE [Note.ID]like '**';";
    }

    support::TempDir dir_;
    std::string folder_ = dir_.file("mnt");
    std::string db_ = dir_.file("note.mdb");
};

TEST_F(Faults, DiskFullDuringTheExport) {
    // The workbook needs about 3 MB; the folder has 512 kB.
    auto r = exportOnto("size=512k", folder_, db_, statement());
    EXPECT_EQ(r.out.rfind("Error 3026:", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nrc=1\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.find("rc=")), "rc=1\n") << "files were left behind";
}

TEST_F(Faults, ReadOnlyFolder) {
    auto r = exportOnto("ro,size=1m", folder_, db_, statement());
    EXPECT_EQ(r.out.rfind("Error 3051:", 0), 0u) << r.out;
    EXPECT_EQ(r.out.substr(r.out.find("rc=")), "rc=1\n") << "files were left behind";
}

TEST_F(Faults, EnoughRoomSucceeds) {
    auto r = exportOnto("size=16m", folder_, db_, statement());
    EXPECT_EQ(r.out, "rc=0\nout.xls\n");
}

}  // namespace
