// List boxes: ListIndex writes run the click nested; Clear and
// AddItem run no event; key-down arrives before the list moves its selection.
#include <gtest/gtest.h>

#include <QTest>

#include "error/error.h"
#include "gui_test_support.h"
#include "toolkit/toolkit.h"

namespace {

struct ListFixture : ::testing::Test {
    QWidget window;
    toolkit::ListBox* list = new toolkit::ListBox(&window);
    std::vector<std::string> log;

    void SetUp() override {
        list->setObjectName("List1");
        list->onClick([this] { log.push_back("click:" + std::to_string(list->ListIndex())); });
        list->onKeyDown(
            [this](int&, int&) { log.push_back("keydown:" + std::to_string(list->ListIndex())); });
    }
};

TEST_F(ListFixture, ClearAndAddItemRunNoEvent) {
    list->AddItem("a");
    list->AddItem("b");
    list->Clear();
    list->AddItem("c");
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(list->ListCount(), 1);
    EXPECT_EQ(list->ListIndex(), -1);
    EXPECT_EQ(list->Text(), "");
}

TEST_F(ListFixture, WritingListIndexRunsClickNestedBeforeReturning) {
    list->AddItem("a");
    list->AddItem("b");
    list->setListIndex(1);
    log.push_back("returned");
    ASSERT_EQ(log, (std::vector<std::string>{"click:1", "returned"}));
    EXPECT_EQ(list->Text(), "b");
    list->setListIndex(0);
    EXPECT_EQ(log.back(), "click:0");
    EXPECT_EQ(list->Text(), "a");
}

TEST_F(ListFixture, WritingListIndexOfAHiddenListStillRunsClick) {
    list->hide();
    window.show();
    list->AddItem("a");
    list->setListIndex(0);
    EXPECT_EQ(log, (std::vector<std::string>{"click:0"}));
    EXPECT_FALSE(list->isVisible());
}

TEST_F(ListFixture, ClearEmptiesSelection) {
    list->AddItem("a");
    list->setListIndex(0);
    list->Clear();
    EXPECT_EQ(list->ListIndex(), -1);
    EXPECT_EQ(list->Text(), "");
}

TEST_F(ListFixture, OutOfRangeListIndexRaises) {
    list->AddItem("a");
    try {
        list->setListIndex(1);
        FAIL() << "no error";
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), toolkit::kErrInvalidPropertyValue);
    }
}

TEST_F(ListFixture, KeyDownArrivesBeforeTheListMoves) {
    window.show();
    list->AddItem("a");
    list->AddItem("b");
    list->setListIndex(0);
    log.clear();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(log, (std::vector<std::string>{"keydown:0", "click:1"}));
}

TEST_F(ListFixture, MouseSelectionRunsClick) {
    window.resize(200, 200);
    list->setGeometry(0, 0, 150, 150);
    window.show();
    list->AddItem("a");
    list->AddItem("b");
    const QRect r = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(log, (std::vector<std::string>{"click:1"}));
}

TEST_F(ListFixture, ErrorOfANestedClickGoesToTheReportAndTheWriteReturns) {
    guitest::ErrorRecorder errors;
    list->onClick([] { throw converti::Error(3078, "no table"); });
    list->AddItem("a");
    list->setListIndex(0);  // does not throw
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 3078);
    EXPECT_EQ(errors.errors()[0].description, "no table");
}

}  // namespace
