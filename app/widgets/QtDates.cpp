#include "widgets/QtDates.h"

#include "platform/DateText.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool IsDateSeparator(QChar c) {
    return c == u'/' || c == u'.' || c == u'-';
}

// Day, month and year groups as typed, checked for their lengths only.
QValidator::State GroupsState(const QStringList& groups) {
    if (groups.size() > 3)
        return QValidator::Invalid;
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const bool last = i + 1 == groups.size();
        const qsizetype most = i < 2 ? 2 : 4;
        if (groups[i].size() > most || (groups[i].isEmpty() && !last))
            return QValidator::Invalid;
    }
    if (groups.size() < 3)
        return QValidator::Intermediate;
    const qsizetype year = groups[2].size();
    return year == 2 || year == 4 ? QValidator::Acceptable : QValidator::Intermediate;
}

} // namespace

TypedDate ReadTypedDate(const QString& text) {
    const QString typed = text.trimmed();
    for (const QChar c : typed)
        if (!c.isDigit() && !IsDateSeparator(c))
            return {};
    QString dated = typed;
    bool digitsOnly = true;
    for (const QChar c : typed)
        digitsOnly = digitsOnly && c.isDigit();
    if (digitsOnly) {
        if (typed.size() > 8)
            return {};
        if (typed.size() != 6 && typed.size() != 8)
            return {QValidator::Intermediate, {}};
        dated = typed.left(2) + u'/' + typed.mid(2, 2) + u'/' + typed.mid(4);
    }
    QStringList groups;
    QString group;
    for (const QChar c : dated) {
        if (IsDateSeparator(c)) {
            groups << group;
            group.clear();
        } else {
            group += c;
        }
    }
    groups << group;
    const QValidator::State state = GroupsState(groups);
    if (state != QValidator::Acceptable)
        return {state, {}};
    // The program's own reader, for its year window.
    platform::TDateTime day = 0.0;
    if (!platform::TryStrToDate(dated.toStdString(), day))
        return {QValidator::Intermediate, {}};
    return {QValidator::Acceptable, ToQDate(day)};
}

TDatePicker::TDatePicker(QWidget* parent) : QDateEdit(parent) {
    setLocale(FrenchLocale());
    setCalendarPopup(true);
    auto* calendar = new QCalendarWidget(this);
    calendar->setLocale(FrenchLocale());
    calendar->setFirstDayOfWeek(Qt::Monday);
    setCalendarWidget(calendar);
    // The sections of the display format would move the cursor and select as the user types.
    disconnect(lineEdit(), SIGNAL(cursorPositionChanged(int, int)), this, nullptr);
}

QValidator::State TDatePicker::validate(QString& input, int&) const {
    const TypedDate typed = ReadTypedDate(input);
    if (typed.State == QValidator::Acceptable &&
        (typed.Date < minimumDate() || typed.Date > maximumDate()))
        return QValidator::Intermediate;
    return typed.State;
}

void TDatePicker::fixup(QString&) const {
    // A text that is no date is not guessed into one: the field gives back its date.
}

QDateTime TDatePicker::dateTimeFromText(const QString& text) const {
    const TypedDate typed = ReadTypedDate(text);
    if (typed.State != QValidator::Acceptable)
        return dateTime();
    return QDateTime(typed.Date, dateTime().time(), timeSpec());
}

void TDatePicker::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A date half typed would otherwise give way to the previous one without a word.
        if (!TextReads()) {
            event->accept();
            return;
        }
        QDateEdit::keyPressEvent(event);
        typedFrom_ = date();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (currentSection() == QDateTimeEdit::NoSection)
            setCurrentSection(QDateTimeEdit::DaySection);
        QDateEdit::keyPressEvent(event);
        return;
    default:
        break;
    }
    const bool typing = !event->text().isEmpty() && event->text().front().isPrint() &&
                        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (typing && lineEdit()->hasSelectedText())
        lineEdit()->selectAll();
    // The spin box's own handling: the line edit's, without the date sections'.
    QAbstractSpinBox::keyPressEvent(event);
}

bool TDatePicker::TextReads() const {
    QString text = lineEdit()->text();
    int pos = lineEdit()->cursorPosition();
    return validate(text, pos) == QValidator::Acceptable;
}

void TDatePicker::focusInEvent(QFocusEvent* event) {
    QDateEdit::focusInEvent(event);
    typedFrom_ = date();
    lineEdit()->selectAll();
}

void TDatePicker::focusOutEvent(QFocusEvent* event) {
    if (!TextReads())
        setDate(typedFrom_);
    QDateEdit::focusOutEvent(event);
}

bool TDatePicker::focusNextPrevChild(bool next) {
    // Tab leaves the field rather than walking through its sections.
    return QWidget::focusNextPrevChild(next);
}

QDateEdit* MakeDatePicker(QWidget* parent, const char* name, const char* format) {
    auto* picker = new TDatePicker(parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(format);
    return picker;
}
