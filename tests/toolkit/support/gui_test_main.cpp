// main() of the window tests: a QApplication around GoogleTest. An error report or a
// program end that no test expected fails the running test (no box, no exit). The file
// dialogs are Qt's own, which FileDialogDriver can find and answer.
#include <gtest/gtest.h>

#include <QApplication>

#include "toolkit/toolkit.h"

int main(int argc, char** argv) {
    qputenv("CONVERTI_FILE_DIALOG", "qt");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    toolkit::setErrorReport([](int number, const QString& description) {
        ADD_FAILURE() << "unexpected error report " << number << ": " << description.toStdString();
    });
    toolkit::setEndHook([] { ADD_FAILURE() << "unexpected program end"; });
    return RUN_ALL_TESTS();
}
