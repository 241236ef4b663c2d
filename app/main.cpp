// Converti: creates and shows frmExport; the program ends with its last window, or at
// once through Esci.
#include <QApplication>

#include "frm_export.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Converti"));
    // The desktop entry's name, so that the desktop shows its name and icon for the window.
    QApplication::setDesktopFileName(QStringLiteral(CONVERTI_APP_ID));
    frmExport window;
    window.show();
    return QApplication::exec();
}
