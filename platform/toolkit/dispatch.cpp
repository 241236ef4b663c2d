// Event dispatch, the top-level error report, program end and the screen pointer.
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "dispatch_internal.h"
#include "error/error.h"
#include "toolkit/toolkit.h"

namespace toolkit {

namespace {

void defaultReport(int number, const QString& description) {
    Screen::setMousePointer(Screen::kPointerDefault);  // no hourglass over the message
    QWidget* parent = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Converti"),
                    QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(description),
                    QMessageBox::Ok, parent);
    box.exec();
}

[[noreturn]] void defaultEnd() {
    std::fflush(nullptr);
    std::_Exit(0);
}

ErrorReport& reportHook() {
    static ErrorReport hook;
    return hook;
}

EndHook& endHook() {
    static EndHook hook;
    return hook;
}

int depth = 0;  // event routines running now, nested ones included

struct DepthGuard {
    DepthGuard() { ++depth; }
    ~DepthGuard() {
        if (--depth == 0) Screen::setMousePointer(Screen::kPointerDefault);
    }
};

}  // namespace

void raiseObjectNotSet() {
    throw converti::Error(kErrObjectNotSet,
                          QStringLiteral("Object variable or With block variable not set"));
}

ErrorReport setErrorReport(ErrorReport report) {
    ErrorReport previous = std::move(reportHook());
    reportHook() = std::move(report);
    return previous;
}

void report(int number, const QString& description) noexcept {
    try {
        if (reportHook())
            reportHook()(number, description);
        else
            defaultReport(number, description);
    } catch (...) {
        // A report that fails has nobody left to tell.
    }
}

void reportCurrentException() noexcept {
    try {
        throw;
    } catch (const converti::Error& e) {
        report(e.number(), e.description());
    } catch (const std::bad_alloc&) {
        report(kErrOutOfMemory, QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        report(kErrInternal,
               QStringLiteral("Internal error: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        report(kErrInternal, QStringLiteral("Internal error"));
    }
}

void dispatch(const std::function<void()>& routine) noexcept {
    DepthGuard guard;
    try {
        if (routine) routine();
    } catch (const ProgramEnd&) {
        // end() with a hook that returned: the routine stops, nothing is reported.
    } catch (...) {
        reportCurrentException();
    }
}

void runNested(const std::function<void()>& routine) {
    DepthGuard guard;
    try {
        if (routine) routine();
    } catch (const ProgramEnd&) {
        throw;  // the routines around stop too; only our own frames lie between
    } catch (...) {
        reportCurrentException();
    }
}

EndHook setEndHook(EndHook hook) {
    EndHook previous = std::move(endHook());
    endHook() = std::move(hook);
    return previous;
}

void end() {
    if (endHook())
        endHook()();
    else
        defaultEnd();
    throw ProgramEnd{};
}

namespace Screen {

namespace {
std::int16_t current = kPointerDefault;
}  // namespace

std::int16_t MousePointer() {
    return QGuiApplication::overrideCursor() != nullptr ? current : kPointerDefault;
}

void setMousePointer(std::int16_t code) {
    current = code;
    if (qGuiApp == nullptr) return;
    if (code == kPointerDefault) {
        // Remove every override, also ones left by a routine that did not balance.
        while (QGuiApplication::overrideCursor() != nullptr)
            QGuiApplication::restoreOverrideCursor();
    } else if (QGuiApplication::overrideCursor() == nullptr) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
}

}  // namespace Screen

}  // namespace toolkit
