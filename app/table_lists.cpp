// The table list, the field list and the field type word: LoadTables, LoadFields and the
// click of List2.
#include "catalogue/catalogue.h"
#include "frm_export.h"
#include "toolkit/toolkit.h"

namespace {

// Sets the busy pointer and puts the default back however the routine ends, also when
// an error leaves it: the hourglass never outlives a load.
class BusyPointer {
public:
    BusyPointer() { toolkit::Screen::setMousePointer(toolkit::Screen::kPointerBusy); }
    ~BusyPointer() {
        if (!done_) toolkit::Screen::setMousePointer(toolkit::Screen::kPointerDefault);
    }
    void restore() {
        toolkit::Screen::setMousePointer(toolkit::Screen::kPointerDefault);
        done_ = true;
    }

private:
    bool done_ = false;
};

}  // namespace

void frmExport::LoadTables() {
    // The single error exit: any error of this routine ends it silently. An error of
    // the field loading that selecting the first table runs does not come here: the
    // list's click reports it (toolkit::ListBox::setListIndex), and this routine goes on
    // to its end.
    try {
        const QString candidate = Text1->Text() + strKeyPending;
        if (!catalogue::namesDatabase(candidate)) return;
        engine::Engine& eng = engineObject();
        // The previous connection is released without an explicit close.
        dbBrowse = eng.openDatabase(candidate);
        BusyPointer pointer;
        List1->Clear();
        const std::int16_t last = static_cast<std::int16_t>(dbBrowse->tableDefCount() - 1);
        for (std::int16_t i = 0; i <= last; ++i) {
            const QString name = dbBrowse->tableDefName(i);
            if (!catalogue::isSystemTable(name)) List1->AddItem(name);
        }
        if (List1->ListCount() > 0) List1->setListIndex(0);
        pointer.restore();
    } catch (const toolkit::ProgramEnd&) {
        throw;
    } catch (...) {
    }
}

void frmExport::LoadFields() {
    BusyPointer pointer;
    List2->Clear();
    catalogue::ScopedRecordset rs(browseConnection().openRecordset(List1->Text()));
    const std::int16_t last = static_cast<std::int16_t>(rs->fieldCount() - 1);
    for (std::int16_t i = 0; i <= last; ++i) List2->AddItem(rs->fieldName(i));
    if (List2->ListCount() > 0) List2->setListIndex(0);
    pointer.restore();
    rs.close();
}

void frmExport::List2_Click() {
    catalogue::ScopedRecordset rs(browseConnection().openRecordset(List1->Text()));
    // The field is found by its position in List2, not by its name.
    const std::int16_t intType = rs->fieldType(List2->ListIndex());
    lblFieldType->setCaption(FieldType(intType));
    rs.close();
}
