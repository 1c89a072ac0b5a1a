#include "widgets/QtDates.h"

#include <QDateEdit>

QDateEdit* MakeDatePicker(QWidget* parent, const char* name) {
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(name);
    picker->setDisplayFormat("dd/MM/yy");
    picker->setCalendarPopup(true);
    return picker;
}
