#pragma once

// The options dialog: local currency, automatic quote refresh, proxy, coverage coefficients,
// and the three fee schedules of the open document, edited in grids over the data module's
// tables Frais1, Frais2 and FrSRD. The dialog writes only the fee schedules and the
// deferred-settlement option of the document, and only on "&Valider"; its caller stores the
// other fields.

#include "portfolio/QuoteSites.h"
#include "widgets/RadioGroup.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MemTableModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TCorv;
class TDBGrid;
class TDBNavigator;
class UiPrompts;
namespace platform {
class MemTable;
}

// The numbers typed in the dialog, read together so that none is stored before all are known
// to be valid.
struct TOptionsNumbers {
    float Taux = 0.0f;
    // None when the proxy is off and its disabled field holds no port: nothing to store.
    std::optional<std::int32_t> Port;
    float CouvC = 0.0f;
    float CouvT = 0.0f;
};

class TForm6 : public QDialog {
    Q_OBJECT
public:
    // prompts: where refusals are shown (the desktop's message boxes when null); not owned.
    TForm6(QWidget* owner, TCorv* portefeuille, UiPrompts* prompts = nullptr);
    ~TForm6() override;

    QLineEdit* LibMon = nullptr;
    QLineEdit* Taux = nullptr;
    TDBGrid* DBFrais1 = nullptr;
    TDBGrid* DBFrais2 = nullptr;
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
    TDBNavigator* DBNavigator1 = nullptr;
    TDBNavigator* DBNavigator2 = nullptr;
    TRadioGroup* Type = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TDBNavigator* DBNavigator3 = nullptr;
    QCheckBox* ChkSRD = nullptr;

    // The grids' views of the data module's tables.
    MemTableModel* DSFrais1 = nullptr;
    MemTableModel* DSFrais2 = nullptr;
    MemTableModel* DSFrSRD = nullptr;

    // One entry per line of the quote-site list: the deepest request kind the site serves.
    std::vector<std::int8_t> FTypes;
    TCorv* FPortefeuille = nullptr;
    bool FValide = false;

    void ListeChange();
    void MajClick();
    void ProxyClick();
    void Button1Click();

    // Reads the rate, the proxy port (checked only while the proxy is on) and the coverage
    // coefficients; on a refusal returns false with the message for the user.
    bool ReadNumbers(TOptionsNumbers& numbers, QString& message) const;

protected:
    void closeEvent(QCloseEvent* event) override; // FormClose

private:
    void FormCreate();
    void LoadTables();
    bool CommitGrids();
    void StoreTables();
    MemTableModel* MakeSource(platform::MemTable& table, bool plVal, bool autoEdit);
    void Refuse(const QString& message);

    UiPrompts* FPrompts = nullptr;
    std::unique_ptr<UiPrompts> FOwnPrompts; // the desktop's, when the caller gave none
    QLabel* LabelDuree1 = nullptr;
    QLabel* LabelDuree2 = nullptr;
    QLabel* LabelProxyName = nullptr;
    QLabel* LabelPortNum = nullptr;
};

// The options dialog while it is shown.
extern TForm6* Form6;
