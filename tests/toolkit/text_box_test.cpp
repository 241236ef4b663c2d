// Text boxes: key-press before insertion with KeyAscii in-out, SelLength clipping, focus
// lost only when the focus moves to another control (before that control's click), and
// the double-click after the box's own selection.
#include <gtest/gtest.h>

#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "gui_test_support.h"
#include "toolkit/toolkit.h"

namespace {

struct TextFixture : ::testing::Test {
    QWidget window;
    toolkit::TextBox* box = new toolkit::TextBox(&window);
    toolkit::CommandButton* button = new toolkit::CommandButton(&window);
    std::vector<std::string> log;

    void SetUp() override {
        box->setObjectName("Text1");
        box->setGeometry(0, 0, 200, 20);
        button->setObjectName("cmdOK");
        button->setText("OK");
        button->setGeometry(0, 30, 80, 22);
        button->onClick([this] { log.push_back("click"); });
        window.resize(300, 100);
        window.show();
        window.activateWindow();
        box->setFocus();
        QCoreApplication::processEvents();
    }
};

TEST_F(TextFixture, KeyPressArrivesBeforeTheBoxInsertsTheCharacter) {
    box->setText("ab");
    box->setCursorPosition(2);
    std::vector<std::pair<int, std::string>> seen;
    box->onKeyPress([&](std::int16_t& k) { seen.push_back({k, box->Text().toStdString()}); });
    QTest::keyClick(box, 'c');
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, 'c');
    EXPECT_EQ(seen[0].second, "ab");
    EXPECT_EQ(box->Text(), "abc");
}

TEST_F(TextFixture, KeyAsciiOfControlKeys) {
    std::vector<int> codes;
    box->onKeyPress([&](std::int16_t& k) { codes.push_back(k); });
    box->setText("xyz");
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter);
    QTest::keyClick(box, Qt::Key_Escape);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(box, 'A', Qt::ShiftModifier);
    QTest::keyClick(box, ' ');
    EXPECT_EQ(codes, (std::vector<int>{8, 13, 13, 27, 1, 26, 'A', ' '}));
}

TEST_F(TextFixture, NoKeyPressForDeleteArrowsFunctionKeysAndTab) {
    int calls = 0;
    box->onKeyPress([&](std::int16_t&) { ++calls; });
    box->setText("xyz");
    box->setCursorPosition(0);
    for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down,
                        Qt::Key_Home, Qt::Key_End, Qt::Key_F1, Qt::Key_F12, Qt::Key_Shift})
        QTest::keyClick(box, key);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(box->Text(), "yz");  // Delete still worked
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(calls, 0);
}

TEST_F(TextFixture, HandlerMayChangeOrSwallowTheKey) {
    box->onKeyPress([](std::int16_t& k) {
        if (k == 'a') k = 'b';
        if (k == 'x') k = 0;
    });
    QTest::keyClicks(box, "axa");
    EXPECT_EQ(box->Text(), "bb");
}

TEST_F(TextFixture, AnsiCodeOfTypedCharacters) {
    std::vector<int> codes;
    box->onKeyPress([&](std::int16_t& k) { codes.push_back(k); });
    for (QChar c : QString::fromUtf8("è€ж")) {  // QTest knows only ASCII keys
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(box, &press);
    }
    EXPECT_EQ(codes, (std::vector<int>{0xE8, 0x80, '?'}));
    EXPECT_EQ(box->Text(), QString::fromUtf8("è€ж"));  // the box still gets what was typed
}

TEST_F(TextFixture, SelLengthBeyondTheEndIsClipped) {
    box->setText("C:\\data\\base.mdb");
    box->setSelStart(3);
    box->setSelLength(1000);
    EXPECT_EQ(box->SelStart(), 3);
    EXPECT_EQ(box->SelLength(), box->Text().size() - 3);
    EXPECT_EQ(box->selectedText(), "data\\base.mdb");
    box->setSelStart(0);
    box->setSelLength(4);
    EXPECT_EQ(box->selectedText(), "C:\\d");
}

TEST_F(TextFixture, DoubleClickRunsAfterTheBoxSelectsAWord) {
    box->setText("alpha beta gamma");
    std::pair<int, int> seenSelection{-1, -1};
    box->onDblClick([&] {
        seenSelection = {box->SelStart(), box->SelLength()};
        box->setSelLength(box->Text().size());
    });
    box->setCursorPosition(8);
    const QRect caret = box->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QPoint inBeta(caret.center().x(), box->height() / 2);
    QTest::mouseDClick(box, Qt::LeftButton, {}, inBeta);
    EXPECT_EQ(seenSelection.first, 6);  // Qt's own double-click selected "beta"
    EXPECT_EQ(seenSelection.second, 4);
    EXPECT_EQ(box->selectedText(), "beta gamma");
}

TEST_F(TextFixture, FocusLostWhenFocusMovesToAnotherControlBeforeItsClick) {
    box->onLostFocus([this] { log.push_back("lostfocus"); });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"lostfocus", "click"}));
}

TEST_F(TextFixture, FocusLostOnTab) {
    box->onLostFocus([this] { log.push_back("lostfocus"); });
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(log, (std::vector<std::string>{"lostfocus"}));
    EXPECT_TRUE(button->hasFocus());
}

TEST_F(TextFixture, NoFocusLostWhenTheWindowIsDeactivatedOrAPopupOpens) {
    box->onLostFocus([this] { log.push_back("lostfocus"); });
    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(box, &deactivated);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(box, &popup);
    EXPECT_TRUE(log.empty());

    // A real second window taking the activation.
    QWidget other;
    other.resize(50, 50);
    other.show();
    QApplication::setActiveWindow(&other);
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.empty());
    QApplication::setActiveWindow(&window);
    QCoreApplication::processEvents();

    // A real popup menu.
    QMenu menu(&window);
    menu.addAction("x");
    QTimer::singleShot(50, &menu, [&menu] { menu.close(); });
    menu.exec(window.mapToGlobal(QPoint(10, 10)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.empty());
}

}  // namespace
