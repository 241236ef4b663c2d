// Converti: creates and shows frmExport; the program ends with its last window, or at
// once through Esci.
#include <QApplication>

#include "frm_export.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Converti"));
    QApplication::setDesktopFileName(QStringLiteral(CONVERTI_APP_ID));  // the desktop entry, for its name and icon
    frmExport window;
    window.show();
    return QApplication::exec();
}
