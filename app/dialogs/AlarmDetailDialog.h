#pragma once

// The detail of one alarm: validity date, title, signal, the two elements and the comparison,
// with the alarm's sentence built as the user edits. The sentence's element words can be
// clicked to type the number the element needs.

#include <QDialog>
#include <QStringList>

#include "portfolio/Cv.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class UiPrompts;

// The sentence of an alarm in four texts that read as one line: the signal, the first
// element, the comparison and the second element. The element words are blue, underlined
// while their element still lacks its number. Shared by the alarm list and the detail.
struct AlarmPhrase {
    QWidget* Cadre = nullptr; // holds the four texts
    QLabel* L1 = nullptr;
    QLabel* L2 = nullptr;
    QLabel* L3 = nullptr;
    QLabel* L4 = nullptr;

    static AlarmPhrase Create(QWidget* cadre);
    // Building the texts gives the elements whose kind takes no number the value 1.
    void Show(const TCorv& portefeuille, SDetAlarme& alarme);
    void Clear();

private:
    void Place();
};

// The kinds of element, in the order of their index, and the comparisons.
QStringList AlarmElementItems();
QStringList AlarmOperItems();
// The kinds whose element takes a number typed by the user.
bool AlarmTakesParameter(std::int8_t type);

class TDetAlarme : public QDialog {
    Q_OBJECT
public:
    // alarme: changed in place while the user edits; not owned. Annuler and the close box
    // give it back the fields it had when the dialog opened.
    TDetAlarme(QWidget* owner, TCorv* portefeuille, SDetAlarme* alarme, UiPrompts& prompts);

    QLabel* LibTitre = nullptr;
    QDateEdit* DateVal = nullptr;
    QLineEdit* Titre = nullptr;
    QComboBox* Signal = nullptr;
    QComboBox* EVal1 = nullptr;
    QComboBox* EOper = nullptr;
    QComboBox* EVal2 = nullptr;
    QLabel* L1 = nullptr;
    QLabel* L2 = nullptr;
    QLabel* L3 = nullptr;
    QLabel* L4 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    SDetAlarme* FAlarme = nullptr;
    TCorv* FPortefeuille = nullptr;

    void ShowRecap();
    void EVal1Change();
    void EVal2Change();
    void SignalChange();
    void EOperChange();
    void TitreChange();
    void DateValChange();
    // A click on the first (L2) or second (L4) element's words.
    void L2Click();
    void L4Click();

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void ChampClick(ElementAlarme& element);

    UiPrompts& FPrompts;
    AlarmPhrase FPhrase;
    SDetAlarme FAvant; // the alarm as it was when the dialog opened
};
