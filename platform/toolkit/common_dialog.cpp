// CommonDialog1: the open and save dialogs over QFileDialog, the desktop's own where the
// platform offers one and Qt's widget dialog elsewhere.
#include <QFileDialog>
#include <QFileInfo>

#include "toolkit/toolkit.h"

namespace toolkit {

namespace {

// Tests ask for Qt's dialog, which they can find among the application's widgets and
// answer; a desktop's dialog runs outside Qt's widgets.
bool qtDialogAsked() { return qEnvironmentVariable("CONVERTI_FILE_DIALOG") == QLatin1String("qt"); }

}  // namespace

CommonDialog::CommonDialog(QWidget* owner) : QObject(owner), owner_(owner) {}

QStringList CommonDialog::qtNameFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i];
        // Qt reads the patterns from the last parentheses of a name filter, separated by
        // spaces; the filter separates them with ';'.
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString shown = QStringLiteral("(%1)").arg(patterns.trimmed());
        if (description.trimmed().endsWith(shown))
            out << description;
        else
            out << QStringLiteral("%1 %2").arg(description, shown);
    }
    return out;
}

bool CommonDialog::ShowOpen() { return show(false); }
bool CommonDialog::ShowSave() { return show(true); }

bool CommonDialog::show(bool save) {
    QFileDialog dialog(owner_);
    dialog.setObjectName(save ? QStringLiteral("CommonDialog1Save")
                              : QStringLiteral("CommonDialog1Open"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, qtDialogAsked());
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);  // the system asks for no existing file
    dialog.setWindowTitle(title_);
    const QStringList filters = qtNameFilters(filter_);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    QString ext = defaultExt_;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    // QFileDialog adds it to a name without one, also one from a desktop's dialog.
    dialog.setDefaultSuffix(ext);
    if (!fileName_.isEmpty()) {
        const QFileInfo info(fileName_);
        if (info.isAbsolute() || fileName_.contains(QLatin1Char('/')))
            dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    fileName_ = chosen.first();
    return true;
}

}  // namespace toolkit
