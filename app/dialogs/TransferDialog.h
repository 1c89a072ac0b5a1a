#pragma once

// The options of the portfolio transfer: the new file, whether to remove the securities no
// longer held, and whether to book their realised results as one cash movement under a given
// label. The caller performs the transfer with them on OK.

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class UiPrompts;

// What the user chose, as the transfer needs it.
struct TransfertOptions {
    std::string Fichier;  // path of the new portfolio file
    bool Suppr = false;   // remove the securities no longer held
    bool Cumul = false;   // one movement for all their realised results...
    std::string Intitule; // ...with this comment
};

class TTransfert : public QDialog {
    Q_OBJECT
public:
    // prompts: where the save dialog and the refusal go (not owned).
    TTransfert(QWidget* owner, UiPrompts& prompts);

    TransfertOptions Options() const;

    void Button1Click(); // "&Chercher"
    void Button2Click(); // "&Transférer"
    void CumulClick();

    QLineEdit* NewFile = nullptr;
    QPushButton* Button1 = nullptr;
    QCheckBox* Suppr = nullptr;
    QCheckBox* Cumul = nullptr;
    QLabel* LabelE1 = nullptr;
    QLineEdit* e1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

protected:
    // Only "&Transférer" with a file named gives OK, every other way out cancels.
    void done(int result) override;

private:
    UiPrompts& FPrompts;
    bool FValide = false;
};
