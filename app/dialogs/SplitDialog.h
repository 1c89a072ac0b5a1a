#pragma once

// The split dialog: the last day to split and the ratio. One instance lives for the whole
// run and keeps the last values between uses: the caller that splits the trades after the
// history editor reads them there.

#include "platform/DateTime.h"

#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class UiPrompts;

class TDivision : public QDialog {
    Q_OBJECT
public:
    // The picker starts on today and the ratio on 0, which must be changed before a split.
    explicit TDivision(QWidget* owner);

    // The smallest ratio that splits anything: 1 would change nothing, and 0 or less would
    // divide by zero or turn prices and volumes negative.
    static constexpr int kRatioMin = 2;

    int Ratio() const;
    platform::TDateTime Jusqua() const; // the last day split

    // "&Valider": refuses a ratio below kRatioMin, else closes with OK.
    void Button1Click();

    QLabel* Libelle = nullptr;
    QDateEdit* PDate = nullptr;
    QSpinBox* Valeur = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    // Where the refusal goes; set by whoever shows the dialog (the desktop's own when null).
    UiPrompts* FPrompts = nullptr;

protected:
    // Only "&Valider" with an accepted ratio gives OK; every other way out cancels.
    void done(int result) override;

private:
    bool FValide = false;
};

extern TDivision* Division;
