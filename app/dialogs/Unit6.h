#pragma once

// The options dialog: local currency, automatic quote refresh, proxy and coverage
// coefficients. The fee schedules of the document are edited here as well once the fee grids
// exist; until then the dialog leaves the schedules untouched.

#include <QDialog>

#include <cstdint>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class TCorv;

// A group of radio buttons addressed by index, whose items can be replaced.
class TRadioGroup : public QWidget {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, QWidget* parent);
    void Clear();
    void AddItem(const QString& text);
    int Count() const;
    QString Item(int index) const;
    int ItemIndex() const; // -1 when none is chosen
    // An index past the last item chooses the last one, as the items present allow.
    void SetItemIndex(int index);

private:
    QGroupBox* box_;
    QVBoxLayout* layout_;
    QButtonGroup* buttons_;
};

class TForm6 : public QDialog {
    Q_OBJECT
public:
    TForm6(QWidget* owner, TCorv* portefeuille);

    QLineEdit* LibMon = nullptr;
    QLineEdit* Taux = nullptr;
    QCheckBox* Maj = nullptr;
    QComboBox* Liste = nullptr;
    QSpinBox* Duree = nullptr;
    QCheckBox* Proxy = nullptr;
    QLineEdit* ProxyName = nullptr;
    QLineEdit* PortNum = nullptr;
    QLineEdit* CouvC = nullptr;
    QLineEdit* CouvT = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    TRadioGroup* Type = nullptr;

    // One entry per line of the quote-site list: the deepest request kind the site serves.
    std::vector<std::int8_t> FTypes;
    TCorv* FPortefeuille = nullptr;
    bool FValide = false;

    void ListeChange();
    void MajClick();
    void ProxyClick();

private:
    void FormCreate();
    void Button1Click();

    QLabel* LabelDuree1 = nullptr;
    QLabel* LabelDuree2 = nullptr;
    QLabel* LabelProxyName = nullptr;
    QLabel* LabelPortNum = nullptr;
};

// The options dialog while it is shown.
extern TForm6* Form6;
