#pragma once
// The layout of frmExport as data: every control with its place in twips, caption or
// initial text, tab index and whether it is shown; and a Layout that puts controls
// there on this screen (1440 twips to the inch at the screen's logical DPI).

#include <QRect>
#include <QString>
#include <array>
#include <map>

class QScreen;
class QWidget;

namespace form_layout {

struct Control {
    const char* name;
    const char* caption;           // caption or initial text
    int left, top, width, height;  // twips, relative to the client area
    int tab;                       // tab index
    bool shown;
};

inline constexpr int kClientWidth = 6210;  // twips
inline constexpr int kClientHeight = 1500;
inline constexpr int kTwipsPerInch = 1440;

// The controls with a body on screen (CommonDialog1 has none), in the window's order.
inline constexpr std::array<Control, 17> kControls = {{
    {"cmdClear", "Clear", 4800, 4185, 1200, 325, 8, false},
    {"txtWorkSheetName", "", 1425, 3750, 2790, 285, 6, false},
    {"txtSearch", "", 1065, 3360, 3150, 285, 5, false},
    {"cmdCancel", "Esci", 1560, 1080, 1200, 325, 10, true},
    {"chkExact", "Exact Match", 1050, 2925, 1560, 195, 4, false},
    {"List2", "", 4440, 510, 1725, 2205, 3, false},
    {"cmdOK", "Converti", 3480, 1080, 1200, 325, 7, true},
    {"List1", "", 1065, 495, 1725, 2205, 2, false},
    {"cmdBrowse", "Sfoglia", 5040, 120, 840, 285, 1, true},
    {"Text1", "", 1380, 120, 3540, 285, 0, true},
    {"Label6", "WorkSheet Name:", 90, 3780, 1500, 255, 16, false},
    {"Label4", "Search:", 105, 3360, 870, 270, 15, false},
    {"Label5", "Field Type:", 2670, 2925, 870, 225, 14, false},
    {"lblFieldType", "", 3570, 2880, 1725, 285, 13, false},
    {"Label3", "Fields:", 3015, 600, 930, 210, 12, false},
    {"Label2", "Tables:", 120, 600, 690, 210, 11, false},
    {"Label1", "Database :", 480, 120, 855, 270, 9, true},
}};

// The entry of kControls with this name; std::out_of_range for any other name.
const Control& control(const char* name);

class Layout {
public:
    // At the screen's logical DPI (96 when there is no screen).
    explicit Layout(const QScreen* screen);

    // Gives the new control its name, caption or initial text (lists have none), place
    // and visibility from its entry in kControls, and returns it. A caption that the
    // default font does not fit grows the control to the left (keeping its right edge)
    // and downwards (keeping its top). A hidden control never takes the focus.
    template <typename Widget>
    Widget* place(Widget* widget, const char* name) {
        const Control& c = control(name);
        if constexpr (requires { widget->setText(QString()); })
            widget->setText(QString::fromLatin1(c.caption));
        placeWidget(*widget, c);
        return widget;
    }

    // Tab order by tab index among the placed controls that take the focus.
    void setTabOrder() const;
    // The window: the client area in pixels, centred on the screen.
    QRect windowGeometry() const;

private:
    void placeWidget(QWidget& widget, const Control& c);
    int pixelsX(int twips) const;
    int pixelsY(int twips) const;

    const QScreen* screen_;
    double dpiX_, dpiY_;
    std::map<int, QWidget*> byTab_;
};

}  // namespace form_layout
