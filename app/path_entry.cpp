// Database path entry: the events of Text1 and Sfoglia, each ending in
// LoadTables.
#include "frm_export.h"
#include "toolkit/toolkit.h"

namespace {

// Runs the given cleanup however the scope ends.
template <typename F>
struct Finally {
    F f;
    ~Finally() { f(); }
};
template <typename F>
Finally(F) -> Finally<F>;

}  // namespace

void frmExport::Text1_KeyPress(std::int16_t& KeyAscii) {
    List1->Clear();
    List2->Clear();
    lblFieldType->setCaption(QString());
    strKeyPending = toolkit::ansiChar(KeyAscii);
    // strKeyPending is set only for this key: back to empty however the loading ends.
    Finally reset{[this] { strKeyPending.clear(); }};
    LoadTables();
}

void frmExport::Text1_LostFocus() { LoadTables(); }

void frmExport::Text1_DblClick() {
    // From where the box's own double-click put the selection start to the end: the
    // length of the whole text is clipped at the end.
    Text1->setSelLength(static_cast<std::int16_t>(Text1->Text().size()));
}

void frmExport::cmdBrowse_Click() {
    BrowseDatabase();
    LoadTables();
}

void frmExport::BrowseDatabase() {
    CommonDialog1->setDialogTitle(QStringLiteral("Browse for Database File"));
    CommonDialog1->setFilter(QStringLiteral("Database File (*.mdb)|*.mdb"));
    CommonDialog1->setDefaultExt(QStringLiteral(".mdb"));
    // Cancelling leaves Text1 as it was: nothing was chosen.
    if (!CommonDialog1->ShowOpen()) return;
    Text1->setText(CommonDialog1->FileName());
}
