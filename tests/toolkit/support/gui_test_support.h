#pragma once
// Support for window tests: a QApplication main, recorders for the top-level error
// report and the program end, and a driver that answers the next modal file dialog.
//
// Link the CMake target gui_test_support (it brings its own main() with a
// QApplication). Unless a test installs its own recorder, an error report or a
// program end fails the test instead of showing a box or exiting.

#include <QFileDialog>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <ostream>
#include <vector>

#include "toolkit/toolkit.h"

// Readable QString values in GoogleTest messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << "x" << r.height() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << "{";
    for (const QString& s : l) *os << " \"" << s.toStdString() << "\"";
    *os << " }";
}

namespace guitest {

struct ReportedError {
    int number;
    QString description;
};

// Records every top-level error report while it lives.
class ErrorRecorder {
public:
    ErrorRecorder();
    ~ErrorRecorder();
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;
    const std::vector<ReportedError>& errors() const { return errors_; }

private:
    std::vector<ReportedError> errors_;
    toolkit::ErrorReport previous_;
};

// Counts toolkit::end() calls while it lives; the routine that called end() stops.
class EndRecorder {
public:
    EndRecorder();
    ~EndRecorder();
    EndRecorder(const EndRecorder&) = delete;
    EndRecorder& operator=(const EndRecorder&) = delete;
    int ends() const { return ends_; }

private:
    int ends_ = 0;
    toolkit::EndHook previous_;
};

// What the answered dialog showed.
struct SeenDialog {
    bool seen = false;
    QString title;
    QStringList nameFilters;
    QString defaultSuffix;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    bool confirmOverwrite = true;
    bool native = true;  // the desktop's own dialog was asked for (DontUseNativeDialog unset)
    QString directory;   // the folder the dialog opened in
    QString typedName;   // the file name box when it appeared
};

// Arms a watcher that waits (up to timeoutMs) for the next modal QFileDialog, records
// it, then either types path into its file name box and accepts, or cancels it.
// The watcher ends with the driver: a driver that saw no dialog answers no later one.
class FileDialogDriver {
public:
    FileDialogDriver() = default;
    ~FileDialogDriver();
    FileDialogDriver(const FileDialogDriver&) = delete;
    FileDialogDriver& operator=(const FileDialogDriver&) = delete;

    void acceptWith(const QString& path, int timeoutMs = 5000);
    void cancel(int timeoutMs = 5000);
    const SeenDialog& seen() const { return seen_; }

private:
    void arm(bool accept, const QString& path, int timeoutMs);
    SeenDialog seen_;
    QPointer<QTimer> timer_;
};

}  // namespace guitest
