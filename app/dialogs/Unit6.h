#pragma once

// The options dialog: local currency, automatic quote refresh, proxy, coverage coefficients,
// and the three fee schedules of the open document, edited in grids over the data module's
// tables Frais1, Frais2 and FrSRD. The dialog writes only the fee schedules and the
// deferred-settlement option of the document, and only on "&Valider"; its caller stores the
// other fields.

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MemTableModel;
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
class TDBGrid;
class TDBNavigator;
class UiPrompts;
namespace platform {
class MemTable;
}

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

// The numbers typed in the dialog, read together so that none is stored before all are known
// to be valid.
struct TOptionsNumbers {
    float Taux = 0.0f;
    // None when the proxy is off and its disabled field holds no port: nothing to store.
    std::optional<std::int32_t> Port;
    float CouvC = 0.0f;
    float CouvT = 0.0f;
};

// One line of the quote-site list: the site's name and the deepest request kind it serves.
struct TQuoteSite {
    std::string Nom;
    std::int8_t Type = 0;
    bool Valide = false; // a digit then a name: a site the user may choose
};

// Reads the quote-site list "servers.lst"; false when the file cannot be opened. Every line is
// a site, its number being the site's index, so a blank or malformed line is kept (named as it
// reads, serving quotes only, not Valide) rather than shifting the sites after it.
bool ReadQuoteSites(const std::string& path, std::vector<TQuoteSite>& sites);

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
