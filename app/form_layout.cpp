#include "form_layout.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace form_layout {

namespace {

// How many pixels wider and taller the control must be so that its caption is not
// clipped with its font and style (zero when its size is enough).
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

}  // namespace

const Control& control(const char* name) {
    for (const Control& c : kControls)
        if (std::strcmp(c.name, name) == 0) return c;
    throw std::out_of_range(name);
}

Layout::Layout(const QScreen* screen)
    : screen_(screen),
      dpiX_(screen != nullptr ? screen->logicalDotsPerInchX() : 96.0),
      dpiY_(screen != nullptr ? screen->logicalDotsPerInchY() : 96.0) {}

int Layout::pixelsX(int twips) const {
    return static_cast<int>(std::lround(twips * dpiX_ / kTwipsPerInch));
}

int Layout::pixelsY(int twips) const {
    return static_cast<int>(std::lround(twips * dpiY_ / kTwipsPerInch));
}

void Layout::placeWidget(QWidget& widget, const Control& c) {
    widget.setObjectName(QString::fromLatin1(c.name));
    QRect rect(pixelsX(c.left), pixelsY(c.top), pixelsX(c.width), pixelsY(c.height));
    widget.setGeometry(rect);
    const QSize grow = captionShortfall(widget);
    if (!grow.isNull()) {
        rect.setLeft(rect.left() - grow.width());
        rect.setHeight(rect.height() + grow.height());
        widget.setGeometry(rect);
    }
    if (!c.shown) {
        widget.hide();
        widget.setFocusPolicy(Qt::NoFocus);
    }
    byTab_[c.tab] = &widget;
}

void Layout::setTabOrder() const {
    QWidget* previous = nullptr;
    for (const auto& [tab, widget] : byTab_) {
        if (widget->focusPolicy() == Qt::NoFocus) continue;  // labels and hidden controls
        if (previous != nullptr) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

QRect Layout::windowGeometry() const {
    const QSize client(pixelsX(kClientWidth), pixelsY(kClientHeight));
    const QRect available =
        screen_ != nullptr ? screen_->availableGeometry() : QRect(0, 0, 800, 600);
    return QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, client, available);
}

}  // namespace form_layout
