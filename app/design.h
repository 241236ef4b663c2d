#pragma once
// The design of frmExport as data: every control in the order in
// which the design stores it, with its place in twips, caption, tab index and whether
// it is shown; and how twips become pixels on this screen.

#include <QRect>
#include <QSize>
#include <array>

class QWidget;

namespace design {

enum class Kind { CommandButton, TextBox, CommonDialog, CheckBox, ListBox, Label };

struct Control {
    const char* name;
    Kind kind;
    const char* caption;           // caption or initial text
    int left, top, width, height;  // twips, relative to the client area
    int tab;                       // -1: none
    bool shown;
};

inline constexpr int kClientWidth = 6210;  // twips
inline constexpr int kClientHeight = 1500;
inline constexpr int kTwipsPerInch = 1440;

inline constexpr std::array<Control, 18> kControls = {{
    {"cmdClear", Kind::CommandButton, "Clear", 4800, 4185, 1200, 325, 8, false},
    {"txtWorkSheetName", Kind::TextBox, "", 1425, 3750, 2790, 285, 6, false},
    {"txtSearch", Kind::TextBox, "", 1065, 3360, 3150, 285, 5, false},
    {"CommonDialog1", Kind::CommonDialog, "", 5520, 3960, 0, 0, -1, false},
    {"cmdCancel", Kind::CommandButton, "Esci", 1560, 1080, 1200, 325, 10, true},
    {"chkExact", Kind::CheckBox, "Exact Match", 1050, 2925, 1560, 195, 4, false},
    {"List2", Kind::ListBox, "", 4440, 510, 1725, 2205, 3, false},
    {"cmdOK", Kind::CommandButton, "Converti", 3480, 1080, 1200, 325, 7, true},
    {"List1", Kind::ListBox, "", 1065, 495, 1725, 2205, 2, false},
    {"cmdBrowse", Kind::CommandButton, "Sfoglia", 5040, 120, 840, 285, 1, true},
    {"Text1", Kind::TextBox, "", 1380, 120, 3540, 285, 0, true},
    {"Label6", Kind::Label, "WorkSheet Name:", 90, 3780, 1500, 255, 16, false},
    {"Label4", Kind::Label, "Search:", 105, 3360, 870, 270, 15, false},
    {"Label5", Kind::Label, "Field Type:", 2670, 2925, 870, 225, 14, false},
    {"lblFieldType", Kind::Label, "", 3570, 2880, 1725, 285, 13, false},
    {"Label3", Kind::Label, "Fields:", 3015, 600, 930, 210, 12, false},
    {"Label2", Kind::Label, "Tables:", 120, 600, 690, 210, 11, false},
    {"Label1", Kind::Label, "Database :", 480, 120, 855, 270, 9, true},
}};

const Control& control(const char* name);

// Twips to pixels at a logical DPI (1440 twips to the inch), rounded.
int pixels(int twips, double dpi);
// The control's rectangle in pixels, as designed.
QRect designRect(const Control& c, double dpiX, double dpiY);

// How many pixels wider and taller the control must be so that its caption is not
// clipped with its font and style (zero when the design's size is enough).
QSize captionShortfall(const QWidget& widget);

}  // namespace design
