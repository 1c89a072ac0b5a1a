#pragma once

// The prompt for the number that an element of an alarm needs: an amount in euros, a number of
// days or a percentage, according to the element's kind.

#include <QDialog>

#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class TCorv;
class UiPrompts;
struct ElementAlarme;

class TChamp : public QDialog {
    Q_OBJECT
public:
    // element: its Param is set on Valider; not owned. Conversion errors go to prompts.
    TChamp(QWidget* owner, TCorv* portefeuille, ElementAlarme* element, UiPrompts& prompts);

    QLabel* Titre = nullptr;
    QLineEdit* Saisie = nullptr;
    QPushButton* Valider = nullptr;
    QPushButton* Button2 = nullptr;

    ElementAlarme* FElement = nullptr;
    TCorv* FPortefeuille = nullptr;

    // The question asked for a kind; empty for the kinds that take no parameter.
    static QString Question(std::int8_t type);
    // A decimal entry in hundredths ("12,5" and "12.5%" give 1250). Throws
    // platform::ConversionError.
    std::int32_t ParseHundredths(const std::string& texte) const;

    // Stores the entry and closes; a text that does not convert is reported, and the prompt
    // stays open with the element unchanged.
    void ValiderClick();

private:
    UiPrompts& FPrompts;
};
