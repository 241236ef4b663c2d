#pragma once
// The window toolkit as the routines of frmExport use them: thin Qt controls with the
// properties and events those routines read and write, the file dialogs, the screen
// pointer, the one event dispatch with its top-level error report, and program end.
//
// What callers may rely on:
//  - Every event handler runs through dispatch(): no exception ever crosses the Qt
//    event loop; an error that a routine does not handle goes to the error report
//    (a modal box by default, replaceable with setErrorReport) and the program goes on.
//  - Writing ListBox::setListIndex runs the list's click handler at once, nested, before
//    the write returns; an error of that handler goes to the error report there and
//    does not reach the routine that wrote the index. Clear and AddItem run no event.
//  - TextBox key-press runs before the box inserts the character (KeyAscii is in-out;
//    0 swallows the key). ListBox key-down runs before the list moves.
//  - Space, Return and keypad Enter press the CommandButton that has the focus; no
//    button is a default button, so Enter elsewhere presses none.
//  - end() stops the program at once, without the unload handling.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <cstdint>
#include <functional>

namespace toolkit {

// Run-time error numbers that the toolkit itself raises: the classic run-time error
// numbers that people who used DAO/Jet programs know, so a search for one finds its
// usual meaning.
enum RuntimeError : int {
    kErrInvalidProcedureCall = 5,  // "Invalid procedure call or argument"
    kErrOutOfMemory = 7,           // "Out of memory"
    kErrObjectNotSet = 91,         // "Object variable or With block variable not set"
    kErrInternal = 51,             // an error that carries no number of its own
    kErrInvalidPropertyValue = 380,
};

// Throws converti::Error(kErrObjectNotSet, ...): the use of a connection or other
// object that is not set.
[[noreturn]] void raiseObjectNotSet();

// ---- event dispatch, error report, program end ----------------------------------

// Receives the number and description of every error that reaches an event routine's
// top. The default shows a modal message box and returns.
using ErrorReport = std::function<void(int number, const QString& description)>;
// Replaces the report; an empty function restores the default. Returns the previous one.
ErrorReport setErrorReport(ErrorReport report);

// Runs one event routine. Catches every exception: converti::Error gives its number and
// description, std::bad_alloc is kErrOutOfMemory, any other exception is
// kErrInternal. A program end (end()) unwinds silently. When the outermost dispatch
// ends, the screen pointer is set back to the default.
void dispatch(const std::function<void()>& routine) noexcept;

// Thrown by end() when the end hook returns (tests); dispatch() absorbs it. Routines
// that catch everything must let it pass: catch it first and rethrow.
struct ProgramEnd {};

// Ends the program at once: the unload handling does not run. Calls the end hook; the
// default hook flushes standard output and exits the process with status 0. If a hook
// returns, end() throws ProgramEnd, so the current routine stops all the same.
[[noreturn]] void end();
using EndHook = std::function<void()>;
EndHook setEndHook(EndHook hook);  // empty restores the default; returns the previous one

// ---- screen ------------------------------------------------------------------------

// Screen.MousePointer: kPointerDefault or kPointerBusy (the hourglass). Kept as a Qt
// override cursor; setting kPointerDefault removes every override.
namespace Screen {
inline constexpr std::int16_t kPointerDefault = 0;
inline constexpr std::int16_t kPointerBusy = 11;
std::int16_t MousePointer();
void setMousePointer(std::int16_t code);
}  // namespace Screen

// ---- text in the system's ANSI code page (Windows-1252) --------------------------

// The character whose code is KeyAscii (0..255); raises kErrInvalidProcedureCall
// outside that range.
QString ansiChar(std::int16_t code);
// The code of c, or 63 ('?') when c has none.
std::int16_t ansiCode(QChar c);

// ---- controls ----------------------------------------------------------------------

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);
    void onClick(std::function<void()> handler) { click_ = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void()> click_;
};

class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }
};

class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CheckBox(QWidget* parent = nullptr);
    // 0 unchecked, 1 checked, 2 greyed.
    std::int16_t Value() const;
    void setValue(std::int16_t value);
};

class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    QString Text() const { return text(); }
    // setText is QLineEdit's: it runs no event.
    std::int16_t SelStart() const;
    void setSelStart(std::int16_t start);
    std::int16_t SelLength() const;
    // Selects from SelStart on; a length beyond the end of the text is clipped there.
    void setSelLength(std::int16_t length);

    // The key-press: codes 1..255 of keys that produce a character (printable
    // characters, Backspace 8, Enter 13, Escape 27, Ctrl+letter 1..26). The handler may
    // change KeyAscii; 0 swallows the key.
    void onKeyPress(std::function<void(std::int16_t& KeyAscii)> h) { keyPress_ = std::move(h); }
    // Focus moved to another control of the window (not window deactivation, popups).
    void onLostFocus(std::function<void()> h) { lostFocus_ = std::move(h); }
    // After the box's own double-click selection.
    void onDblClick(std::function<void()> h) { dblClick_ = std::move(h); }

    // The KeyAscii that a key event produces, or 0 when it raises no key-press.
    static std::int16_t keyAsciiOf(const QKeyEvent& event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::function<void(std::int16_t&)> keyPress_;
    std::function<void()> lostFocus_;
    std::function<void()> dblClick_;
};

class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

    void Clear();                       // no event
    void AddItem(const QString& item);  // appended; no event
    std::int16_t ListCount() const;
    std::int16_t ListIndex() const;  // -1 when nothing is selected
    // Selects the item (-1 selects none), then runs the click handler, nested.
    void setListIndex(std::int16_t index);
    QString Text() const;  // the selected item's text, "" when none

    // Selection changed by the user (mouse, keys) or by setListIndex.
    void onClick(std::function<void()> h) { click_ = std::move(h); }
    // Any key, before the list acts on it. KeyCode is the Qt key; Shift is 1 Shift,
    // 2 Ctrl, 4 Alt, added.
    void onKeyDown(std::function<void(int& KeyCode, int& Shift)> h) { keyDown_ = std::move(h); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void userChangedRow();
    std::function<void()> click_;
    std::function<void(int&, int&)> keyDown_;
    int quiet_ = 0;  // > 0 while the list is changed by code: no click from Qt's signals
};

// The open and save file dialogs. Filter is written "Description|pattern[|Description|
// pattern...]", patterns separated by ';'. The dialog is the desktop's own where the
// platform theme offers one (GTK, KDE, the XDG desktop portal) and Qt's widget dialog
// elsewhere, or always Qt's when the environment variable CONVERTI_FILE_DIALOG is "qt"
// (tests set it, to find and answer the dialog).
class CommonDialog : public QObject {
    Q_OBJECT
public:
    explicit CommonDialog(QWidget* owner);

    QString DialogTitle() const { return title_; }
    void setDialogTitle(const QString& title) { title_ = title; }
    QString Filter() const { return filter_; }
    void setFilter(const QString& filter) { filter_ = filter; }
    QString DefaultExt() const { return defaultExt_; }
    void setDefaultExt(const QString& ext) { defaultExt_ = ext; }
    QString FileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }

    // Modal. Return true when the user chose a file (FileName holds its full path, with
    // DefaultExt added when its name has no extension); false when the user cancelled
    // (FileName unchanged). The dialog asks no overwrite question and Qt's does not
    // insist on an existing file; a desktop's own dialog may do either.
    bool ShowOpen();
    bool ShowSave();

    // "Database File (*.mdb)|*.mdb" -> "Database File (*.mdb)" (Qt name filters).
    static QStringList qtNameFilters(const QString& filter);

private:
    bool show(bool save);
    QWidget* owner_;
    QString title_, filter_, defaultExt_, fileName_;
};

}  // namespace toolkit
