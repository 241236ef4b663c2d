#include "fake_engine.h"

#include "error/error.h"

namespace fake {

namespace {

[[noreturn]] void fail(int number, const QString& description) {
    throw converti::Error(number, description);
}

class FakeRecordset : public engine::Recordset {
public:
    FakeRecordset(std::shared_ptr<Files> files, Table table)
        : files_(std::move(files)), table_(std::move(table)) {
        ++files_->liveRecordsets;
        ++files_->openRecordsets;
    }
    ~FakeRecordset() override {
        --files_->liveRecordsets;
        if (open_) {
            --files_->openRecordsets;
            files_->note(QStringLiteral("rsdrop ") + table_.name);
        }
    }
    std::int16_t fieldCount() const override {
        check();
        return static_cast<std::int16_t>(table_.fields.size());
    }
    QString fieldName(std::int16_t index) const override { return field(index).name; }
    std::int16_t fieldType(std::int16_t index) const override { return field(index).type; }
    void close() override {
        check();
        open_ = false;
        --files_->openRecordsets;
        files_->note(QStringLiteral("rsclose ") + table_.name);
    }

private:
    void check() const {
        if (!open_) fail(3420, QStringLiteral("Object invalid or no longer set."));
    }
    const Field& field(std::int16_t index) const {
        check();
        if (index < 0 || index >= static_cast<int>(table_.fields.size()))
            fail(3265, QStringLiteral("Item not found in this collection."));
        return table_.fields[index];
    }
    std::shared_ptr<Files> files_;
    Table table_;
    bool open_ = true;
};

class FakeDatabase : public engine::Database {
public:
    FakeDatabase(std::shared_ptr<Files> files, QString path)
        : files_(std::move(files)), path_(std::move(path)) {
        ++files_->liveConnections;
    }
    ~FakeDatabase() override {
        --files_->liveConnections;
        if (open_) files_->note(QStringLiteral("drop ") + path_);
    }
    std::int16_t tableDefCount() const override {
        const DatabaseFile& db = data();
        if (files_->tableDefCountFails) fail(3000, QStringLiteral("Reserved error."));
        return static_cast<std::int16_t>(db.size());
    }
    QString tableDefName(std::int16_t index) const override {
        const DatabaseFile& db = data();
        if (index == files_->tableDefNameFailsAt) fail(3000, QStringLiteral("Reserved error."));
        if (index < 0 || index >= static_cast<int>(db.size()))
            fail(3265, QStringLiteral("Item not found in this collection."));
        files_->note(QStringLiteral("tabledef ") + db[index].name);
        return db[index].name;
    }
    std::unique_ptr<engine::Recordset> openRecordset(const QString& tableName) override {
        for (const Table& t : data()) {
            if (t.name == tableName && !t.cannotOpen) {
                files_->note(QStringLiteral("recordset ") + tableName);
                return std::make_unique<FakeRecordset>(files_, t);
            }
        }
        fail(3078, QStringLiteral("The Microsoft Jet database engine cannot find the input "
                                  "table or query '%1'.")
                       .arg(tableName));
    }
    void execute(const QString& statement) override {
        data();
        files_->note(QStringLiteral("execute ") + path_);
        files_->executed.push_back(statement);
        if (files_->executeFails) fail(3061, QStringLiteral("Too few parameters. Expected 1."));
    }
    void close() override {
        if (!open_) fail(3420, QStringLiteral("Object invalid or no longer set."));
        if (files_->closeFails) fail(3420, QStringLiteral("Object invalid or no longer set."));
        open_ = false;
        files_->note(QStringLiteral("close ") + path_);
    }

private:
    const DatabaseFile& data() const {
        if (!open_) fail(3420, QStringLiteral("Object invalid or no longer set."));
        return files_->databases.at(path_);
    }
    std::shared_ptr<Files> files_;
    QString path_;
    bool open_ = true;
};

class FakeEngine : public engine::Engine {
public:
    explicit FakeEngine(std::shared_ptr<Files> files) : files_(std::move(files)) {
        ++files_->enginesCreated;
        files_->note(QStringLiteral("engine created"));
    }
    std::unique_ptr<engine::Database> openDatabase(const QString& path) override {
        if (files_->databases.count(path) == 0)
            fail(3024, QStringLiteral("Could not find file '%1'.").arg(path));
        files_->note(QStringLiteral("open ") + path);
        return std::make_unique<FakeDatabase>(files_, path);
    }

private:
    std::shared_ptr<Files> files_;
};

}  // namespace

std::function<std::unique_ptr<engine::Engine>()> factory(std::shared_ptr<Files> files) {
    return [files]() -> std::unique_ptr<engine::Engine> {
        return std::make_unique<FakeEngine>(files);
    };
}

}  // namespace fake
