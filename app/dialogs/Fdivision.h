#pragma once

// The split dialog: the last day to split and the ratio. One instance lives for the whole
// run and keeps the last values between uses. Only its controls exist so far; the history
// editor that uses it fills in the rest.

#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;

class TDivision : public QDialog {
    Q_OBJECT
public:
    explicit TDivision(QWidget* owner);

    QLabel* Libelle = nullptr;
    QDateEdit* PDate = nullptr;
    QSpinBox* Valeur = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};

extern TDivision* Division;
