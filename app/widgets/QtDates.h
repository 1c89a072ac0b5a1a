#pragma once

// Day numbers of the document (0 = 30/12/1899) to and from the dates of Qt's pickers, and
// the pickers themselves.

#include "platform/DateTime.h"

#include <QDate>

#include <cmath>

class QDateEdit;
class QWidget;

inline QDate ToQDate(platform::TDateTime value) {
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(value)));
}

inline platform::TDateTime FromQDate(const QDate& date) {
    return static_cast<platform::TDateTime>(QDate(1899, 12, 30).daysTo(date));
}

// A date field of the document: "dd/MM/yy", as the document writes its dates, with the
// calendar at hand.
QDateEdit* MakeDatePicker(QWidget* parent, const char* name);
