// The program's date field, driven at the keyboard: what a typed date gives, how the field is
// entered and left, and the language of its names.

#include "../AppTestSupport.h"

#include "widgets/QtDates.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

class DatePickerTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        auto* layout = new QVBoxLayout(&window);
        before = new QLineEdit(&window);
        picker = MakeDatePicker(&window, "DateOp");
        after = new QLineEdit(&window);
        layout->addWidget(before);
        layout->addWidget(picker);
        layout->addWidget(after);
        picker->setDate(QDate(2011, 3, 1));
        window.show();
        QApplication::setActiveWindow(&window);
    }
    // Tab from the field before, as a user reaches the date.
    void TabIn() {
        before->setFocus();
        QTest::keyClick(before, Qt::Key_Tab);
    }
    QWidget window;
    QLineEdit* before = nullptr;
    QDateEdit* picker = nullptr;
    QLineEdit* after = nullptr;
};

TEST_F(DatePickerTest, ADateTypedAfterTabIsTheDateTyped) {
    const struct {
        const char* typed;
        QDate expected;
    } cases[] = {
        {"01/11/26", QDate(2026, 11, 1)},   {"01/11/2026", QDate(2026, 11, 1)},
        {"01112026", QDate(2026, 11, 1)},   {"011126", QDate(2026, 11, 1)},
        {"15/06/99", QDate(1999, 6, 15)},   {"150699", QDate(1999, 6, 15)},
        {"1/2/75", QDate(2075, 2, 1)},      {"31.12.76", QDate(1976, 12, 31)},
        {"29/02/2024", QDate(2024, 2, 29)},
    };
    for (const auto& c : cases) {
        picker->setDate(QDate(2011, 3, 1));
        TabIn();
        ASSERT_TRUE(picker->hasFocus()) << c.typed;
        QTest::keyClicks(QApplication::focusWidget(), c.typed);
        // One Tab leaves the field.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(after->hasFocus()) << c.typed;
        EXPECT_EQ(picker->date(), c.expected) << c.typed;
    }
}

TEST_F(DatePickerTest, TypingOverASectionOrEverythingReplacesTheWholeDate) {
    // The day section selected, as Qt leaves it after a click on the day.
    picker->setFocus();
    picker->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(QApplication::focusWidget(), "01/11/26");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    EXPECT_EQ(picker->date(), QDate(2026, 11, 1));

    picker->setDate(QDate(2011, 12, 1));
    picker->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "15/06/99");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    EXPECT_EQ(picker->date(), QDate(1999, 6, 15));
}

TEST_F(DatePickerTest, AnUnfinishedOrImpossibleDateNeverBecomesAnotherDate) {
    // Past the days a date text holds too: the document could not keep them.
    for (const char* typed :
         {"01/11/202", "31/02/26", "0111", "01/11", "00/00/0000", "01/01/10000", "010110000"}) {
        picker->setDate(QDate(2011, 3, 1));
        TabIn();
        QTest::keyClicks(QApplication::focusWidget(), typed);
        // Enter does not pass a date that does not read; leaving gives back the one before.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
        EXPECT_TRUE(picker->hasFocus()) << typed;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(picker->date(), QDate(2011, 3, 1)) << typed;
    }
    // Characters that no date holds are not taken.
    TabIn();
    QTest::keyClicks(QApplication::focusWidget(), "0x/11/26");
    EXPECT_EQ(picker->text(), "0/11/26");
}

TEST_F(DatePickerTest, TheCalendarNamesMonthsAndDaysInFrenchWhateverTheDesktop) {
    const QLocale desktop;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QWidget parent;
    QDateEdit* english = MakeDatePicker(&parent, "PDate");
    english->setDate(QDate(2026, 11, 1));
    QCalendarWidget* calendar = english->calendarWidget();
    QLocale::setDefault(desktop);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(calendar->locale().monthName(11), "novembre");
    EXPECT_EQ(calendar->locale().dayName(1, QLocale::ShortFormat), "lun.");
    const auto* month = calendar->findChild<QToolButton*>("qt_calendar_monthbutton");
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->text(), "novembre");
}

} // namespace
