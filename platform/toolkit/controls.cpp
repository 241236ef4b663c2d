// The controls: Qt widgets with the properties and events that frmExport's routines use.
// Every handler runs through dispatch() (events from Qt) or runNested() (events that
// a routine's own write started), so no exception reaches Qt.
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "dispatch_internal.h"
#include "error/error.h"
#include "toolkit/toolkit.h"

namespace toolkit {

// ---- CommandButton ---------------------------------------------------------------

CommandButton::CommandButton(QWidget* parent) : QPushButton(parent) {
    // No default button: Enter presses the focused button only (keyPressEvent).
    setAutoDefault(false);
    setDefault(false);
    connect(this, &QPushButton::clicked, this, [this] {
        if (click_) dispatch(click_);
    });
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
    // Return and keypad Enter press the button, as Space does (QPushButton does so only
    // for default buttons).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

// ---- Label, CheckBox -------------------------------------------------------------

Label::Label(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {}

std::int16_t CheckBox::Value() const {
    switch (checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        default:
            return 0;
    }
}

void CheckBox::setValue(std::int16_t value) {
    if (value < 0 || value > 2)
        throw converti::Error(kErrInvalidPropertyValue, QStringLiteral("Invalid property value"));
    setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

// ---- TextBox ---------------------------------------------------------------------

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {}

std::int16_t TextBox::SelStart() const {
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    return static_cast<std::int16_t>(start);
}

void TextBox::setSelStart(std::int16_t start) {
    if (start < 0)
        throw converti::Error(kErrInvalidPropertyValue, QStringLiteral("Invalid property value"));
    setCursorPosition(std::min<int>(start, text().size()));
}

std::int16_t TextBox::SelLength() const {
    return static_cast<std::int16_t>(hasSelectedText() ? selectedText().size() : 0);
}

void TextBox::setSelLength(std::int16_t length) {
    if (length < 0)
        throw converti::Error(kErrInvalidPropertyValue, QStringLiteral("Invalid property value"));
    const int start = SelStart();
    const int clipped = std::min<int>(length, text().size() - start);
    if (clipped <= 0)
        setCursorPosition(start);
    else
        setSelection(start, clipped);
}

std::int16_t TextBox::keyAsciiOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers();
    const int key = event.key();
    switch (key) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
            return 0;
        default:
            break;
    }
    if (mods & Qt::ControlModifier) {
        if (!(mods & Qt::AltModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
            return static_cast<std::int16_t>(key - Qt::Key_A + 1);
        return 0;
    }
    if (mods & Qt::AltModifier) return 0;
    const QString text = event.text();
    if (text.isEmpty()) return 0;  // arrows, function keys, modifiers alone...
    const QChar c = text.at(0);
    if (c.unicode() < 32 || c.unicode() == 127) return 0;
    return ansiCode(c);
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    const std::int16_t original = keyAsciiOf(*event);
    if (original == 0 || !keyPress_) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    std::int16_t keyAscii = original;
    dispatch([&] { keyPress_(keyAscii); });
    if (keyAscii == original) {
        QLineEdit::keyPressEvent(event);
    } else if (keyAscii == 0) {
        event->accept();  // swallowed
    } else {
        // The handler changed the key: the box gets the new character instead.
        int newKey = 0;
        if (keyAscii == 8)
            newKey = Qt::Key_Backspace;
        else if (keyAscii == 13)
            newKey = Qt::Key_Return;
        else if (keyAscii == 27)
            newKey = Qt::Key_Escape;
        QString text;
        try {
            text = ansiChar(keyAscii);
        } catch (...) {
            text.clear();
        }
        QKeyEvent replaced(QEvent::KeyPress, newKey, Qt::NoModifier, text);
        QLineEdit::keyPressEvent(&replaced);
        event->setAccepted(replaced.isAccepted());
    }
}

void TextBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    // Only focus that moves to another control counts; the whole window losing the
    // activation, or a popup opening over the box, is not focus lost.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        reason == Qt::MenuBarFocusReason)
        return;
    if (lostFocus_) dispatch(lostFocus_);
}

void TextBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && dblClick_) dispatch(dblClick_);
}

// ---- ListBox ---------------------------------------------------------------------

namespace {
struct Quiet {
    explicit Quiet(int& n) : n_(n) { ++n_; }
    ~Quiet() { --n_; }
    int& n_;
};
}  // namespace

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    // The click follows the selection, since ListIndex is the selected item: Qt moves
    // the current row before it selects on a mouse press.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] { userChangedRow(); });
}

void ListBox::userChangedRow() {
    if (quiet_ > 0 || ListIndex() < 0) return;
    if (click_) dispatch(click_);
}

void ListBox::Clear() {
    Quiet q(quiet_);
    clear();
}

void ListBox::AddItem(const QString& item) {
    Quiet q(quiet_);
    addItem(item);
}

std::int16_t ListBox::ListCount() const { return static_cast<std::int16_t>(count()); }

std::int16_t ListBox::ListIndex() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return -1;
    return static_cast<std::int16_t>(row(selected.first()));
}

void ListBox::setListIndex(std::int16_t index) {
    if (index < -1 || index >= count())
        throw converti::Error(kErrInvalidPropertyValue, QStringLiteral("Invalid property value"));
    {
        Quiet q(quiet_);
        if (index == -1) {
            clearSelection();
            setCurrentRow(-1);
        } else {
            setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        }
    }
    if (click_) runNested(click_);
}

QString ListBox::Text() const {
    const std::int16_t index = ListIndex();
    return index < 0 ? QString() : item(index)->text();
}

void ListBox::keyPressEvent(QKeyEvent* event) {
    if (keyDown_) {
        int keyCode = event->key();
        int shift = 0;
        if (event->modifiers() & Qt::ShiftModifier) shift |= 1;
        if (event->modifiers() & Qt::ControlModifier) shift |= 2;
        if (event->modifiers() & Qt::AltModifier) shift |= 4;
        dispatch([&] { keyDown_(keyCode, shift); });
        if (keyCode == 0) {  // the handler swallowed the key
            event->accept();
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace toolkit
