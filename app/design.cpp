#include "design.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace design {

const Control& control(const char* name) {
    for (const Control& c : kControls)
        if (std::strcmp(c.name, name) == 0) return c;
    throw std::out_of_range(name);
}

int pixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

QRect designRect(const Control& c, double dpiX, double dpiY) {
    return QRect(pixels(c.left, dpiX), pixels(c.top, dpiY), pixels(c.width, dpiX),
                 pixels(c.height, dpiY));
}

QSize captionShortfall(const QWidget& widget) {
    QSize need(0, 0);
    const QFontMetrics fm = widget.fontMetrics();
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        if (label->text().isEmpty()) return QSize(0, 0);
        need = label->sizeHint();
    } else if (const auto* button = qobject_cast<const QPushButton*>(&widget)) {
        // The style draws the caption inside the frame; its margin is breathing room.
        const QStyle* style = button->style();
        const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        need = QSize(fm.horizontalAdvance(button->text()) + 2 * (frame + margin),
                     fm.height() + 2 * frame);
    } else if (const auto* check = qobject_cast<const QCheckBox*>(&widget)) {
        const QStyle* style = check->style();
        const int indicator = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, check);
        need = QSize(check->sizeHint().width(), std::max(indicator, fm.height()));
    } else {
        return QSize(0, 0);
    }
    return QSize(std::max(0, need.width() - widget.width()),
                 std::max(0, need.height() - widget.height()));
}

}  // namespace design
