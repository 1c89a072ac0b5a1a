#pragma once

// Day numbers of the document (0 = 30/12/1899) to and from the dates of Qt's pickers, and
// the pickers themselves.

#include "platform/DateTime.h"

#include <QDate>
#include <QDateEdit>
#include <QLocale>
#include <QValidator>

class QCalendarWidget;
class QWidget;

// The day of value as its date text names it; no date (an invalid QDate, which a picker
// ignores) for a value that names no day.
inline QDate ToQDate(platform::TDateTime value) {
    if (!platform::FitsDateText(value))
        return {};
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(platform::DateOf(value)));
}

inline platform::TDateTime FromQDate(const QDate& date) {
    return static_cast<platform::TDateTime>(QDate(1899, 12, 30).daysTo(date));
}

// The language of every name the program's widgets draw (months, days), whatever the
// desktop's language.
inline QLocale FrenchLocale() {
    return QLocale(QLocale::French, QLocale::France);
}

// A date as the user types it: day, month and year separated by "/" (or "." or "-"), or the
// digits alone ("DDMMYY", "DDMMYYYY"). A two-digit year falls in the program's year window.
// Acceptable with its date; Intermediate while more typing can still make a date of it (a
// missing or three-digit year, a day that the month lacks); Invalid when no typing can.
struct TypedDate {
    QValidator::State State = QValidator::Invalid;
    QDate Date;
};
TypedDate ReadTypedDate(const QString& text);

// The program's date field. A date is typed whole, as text: the typed characters stay where
// they are typed (no section of the date moves on by itself), typing over a selection starts
// the date afresh, Tab leaves the field, and the date is read when the text makes one. Enter
// passes on only a date that reads; a text that does not read gives back, when the field is
// left, the date it showed when the user came in. Month and day names, in the calendar too, are
// French whatever the desktop's language.
class TDatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit TDatePicker(QWidget* parent = nullptr);

    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

protected:
    QDateTime dateTimeFromText(const QString& text) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    bool TextReads() const;

    // The date shown when the field took the focus: the dates read on the way to the typed
    // one ("01/11/20" on the way to "01/11/202") are not what the user meant.
    QDate typedFrom_;
};

// A date field of the document: "dd/MM/yy", as the document writes its dates (or the format
// given), with the calendar at hand.
QDateEdit* MakeDatePicker(QWidget* parent, const char* name, const char* format = "dd/MM/yy");
