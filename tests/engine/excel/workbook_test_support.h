#pragma once
// Helpers shared by the whole-workbook tests: a temporary folder and running the
// Python readers that check what was written.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "error/error.h"

namespace workbook_test {

// A fresh folder, removed with everything in it (read-only modes undone first).
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "excel_test.XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const char* name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
        return names;
    }
    std::size_t entryCount() const { return entries().size(); }

private:
    std::filesystem::path path_;
};

// Runs tests/engine/excel/<script and arguments> with the Python that has xlrd and
// olefile, and parses what it prints as one JSON object.
inline QJsonObject runReader(const std::string& scriptAndArgs) {
    const std::string command =
        std::string(CONVERTI_PYTHON) + " " + CONVERTI_SOURCE_DIR + "/tests/engine/excel/" + scriptAndArgs;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {};
    QByteArray out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, static_cast<int>(n));
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return QJsonDocument::fromJson(out).object();
}

// Runs `f`, expecting converti::Error with `number`; returns its description.
template <typename F>
QString expectError(int number, F f) {
    try {
        f();
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), number) << e.what();
        return e.description();
    }
    ADD_FAILURE() << "no error, expected " << number;
    return {};
}

}  // namespace workbook_test
