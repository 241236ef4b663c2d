#include "gui_test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <memory>

namespace guitest {

ErrorRecorder::ErrorRecorder() {
    previous_ = toolkit::setErrorReport([this](int number, const QString& description) {
        errors_.push_back({number, description});
    });
}

ErrorRecorder::~ErrorRecorder() { toolkit::setErrorReport(std::move(previous_)); }

EndRecorder::EndRecorder() {
    previous_ = toolkit::setEndHook([this] { ++ends_; });
}

EndRecorder::~EndRecorder() { toolkit::setEndHook(std::move(previous_)); }

void FileDialogDriver::acceptWith(const QString& path, int timeoutMs) {
    arm(true, path, timeoutMs);
}

void FileDialogDriver::cancel(int timeoutMs) { arm(false, QString(), timeoutMs); }

FileDialogDriver::~FileDialogDriver() { delete timer_.data(); }

void FileDialogDriver::arm(bool accept, const QString& path, int timeoutMs) {
    delete timer_.data();
    seen_ = SeenDialog{};
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto* timer = new QTimer(qApp);
    timer_ = timer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, clock, accept, path, timeoutMs] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (clock->elapsed() > timeoutMs) timer->deleteLater();
            return;
        }
        timer->stop();
        timer->deleteLater();
        seen_.seen = true;
        seen_.title = dialog->windowTitle();
        seen_.nameFilters = dialog->nameFilters();
        seen_.defaultSuffix = dialog->defaultSuffix();
        seen_.acceptMode = dialog->acceptMode();
        seen_.confirmOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        seen_.native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        seen_.directory = dialog->directory().absolutePath();
        auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (nameBox != nullptr) seen_.typedName = nameBox->text();
        if (!accept) {
            dialog->reject();
            return;
        }
        // selectFile goes to the file's folder and types its name into the name box.
        dialog->selectFile(path);
        if (nameBox != nullptr && QFileInfo(path).isAbsolute())
            nameBox->setText(QFileInfo(path).fileName());
        // The dialog prefers an item selected in its views over the typed name, and
        // selects the file it started from once its folder has loaded: clear that.
        for (auto* view : dialog->findChildren<QAbstractItemView*>())
            if (view->selectionModel() != nullptr) view->selectionModel()->clearSelection();
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, through the public slot
    });
    timer->start();
}

}  // namespace guitest
