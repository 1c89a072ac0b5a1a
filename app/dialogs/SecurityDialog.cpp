#include "dialogs/SecurityDialog.h"

#include "dialogs/MarketPickerDialog.h"
#include "views/ViewText.h"
#include "widgets/DialogButtons.h"
#include "widgets/TypingLimits.h"
#include "widgets/UiPrompts.h"

#include "platform/ConversionError.h"
#include "platform/TextFile.h"
#include "portfolio/Cv.h"
#include "portfolio/CvFileFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

TOKBottomDlg* OKBottomDlg = nullptr;

namespace {

// The characters of code page 850 from 0x80 to 0xFF; below them it is ASCII.
constexpr std::array<char16_t, 128> kOem850 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

bool EnOem(QChar c) {
    const char16_t u = c.unicode();
    if (platform::IsPrintableAscii(u))
        return true;
    return std::find(kOem850.begin(), kOem850.end(), u) != kOem850.end();
}

} // namespace

TOKBottomDlg::TOKBottomDlg(QWidget* owner, TCorv* portefeuille, UiPrompts& prompts,
                           const Valeurs* titre)
    : QDialog(owner), FPortefeuille(portefeuille), FPrompts(prompts),
      FModification(titre != nullptr),
      FFiche(titre != nullptr ? FicheTitre::De(*titre) : FicheTitre{}) {
    setObjectName("OKBottomDlg");
    setWindowTitle(QString("Ajout d'une valeur"));
    // The limits and the filter apply to what is typed or pasted: what the dialog shows of a
    // security, from a file, an import or the market lists, stays whole.
    const auto edit = [this](const char* name, int limite) {
        auto* champ = new QLineEdit(this);
        champ->setObjectName(name);
        LimiteFrappe::Pose(champ, limite, EnOem);
        return champ;
    };

    NomBourse = edit("NomBourse", 15);
    BtChoose = new QPushButton(QString("&Choisir"), this);
    BtChoose->setObjectName("BtChoose");
    BtChoose->setAutoDefault(false);
    Activite = edit("Activite", 40);
    CodeV = edit("CodeV", 8);
    LibV = edit("LibV", 0);
    LibV->setMinimumWidth(280);
    CBReg = new QComboBox(this);
    CBReg->setObjectName("CBReg");
    CBReg->addItem(QString("Comptant"));
    CBReg->addItem(QString("R.Mens.(S.R.D)"));
    Cours = edit("Cours", 0);
    // The code, the label, the market and the sector share one line of the portfolio file:
    // together they are typed up to what it holds, so that a save never has to refuse them.
    LimiteFrappe::PartageOctets({CodeV, LibV, NomBourse, Activite}, cvfile::kMaxLineTexts);
    SuiviAuto = new QCheckBox(QString("Mise à jour automatique"), this);
    SuiviAuto->setObjectName("SuiviAuto");

    auto* champs = new QGridLayout;
    champs->addWidget(new QLabel(QString("Bourse"), this), 0, 0);
    champs->addWidget(NomBourse, 0, 1);
    champs->addWidget(BtChoose, 0, 2);
    champs->addWidget(new QLabel(QString("Sec. Activité"), this), 1, 0);
    champs->addWidget(Activite, 1, 1, 1, 2);
    champs->addWidget(new QLabel(QString("Code Valeur"), this), 2, 0);
    champs->addWidget(CodeV, 2, 1);
    champs->addWidget(new QLabel(QString("Libellé Valeur"), this), 3, 0);
    champs->addWidget(LibV, 3, 1, 1, 2);
    champs->addWidget(new QLabel(QString("Marché"), this), 4, 0);
    champs->addWidget(CBReg, 4, 1);
    champs->addWidget(new QLabel(QString("Cours Valeur"), this), 5, 0);
    champs->addWidget(Cours, 5, 1);
    champs->addWidget(SuiviAuto, 6, 1, 1, 2);

    const BoutonsSaisie pied = MakeBoutonsSaisie(this, false);
    OKBtn = pied.OKBtn;
    CancelBtn = pied.CancelBtn;
    QHBoxLayout* boutons = pied.Rangee;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(champs);
    layout->addLayout(boutons);

    setTabOrder(NomBourse, BtChoose);
    setTabOrder(BtChoose, Activite);
    setTabOrder(Activite, CodeV);
    setTabOrder(CodeV, LibV);
    setTabOrder(LibV, CBReg);
    setTabOrder(CBReg, Cours);
    setTabOrder(Cours, SuiviAuto);
    setTabOrder(SuiviAuto, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    connect(BtChoose, &QPushButton::clicked, this, &TOKBottomDlg::BtChooseClick);
    connect(OKBtn, &QPushButton::clicked, this, &TOKBottomDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    Montre(FFiche);
    // A security keeps the market it was chosen from.
    BtChoose->setEnabled(!FModification);
}

void TOKBottomDlg::Montre(const FicheTitre& fiche) {
    // A character that the file cannot keep is shown as a mark the user can see and erase;
    // left untouched, the field gives back the text as it was.
    const auto montre = [](QLineEdit* champ, const std::string& texte, QString& montre) {
        LimiteFrappe::Montre(champ, QString::fromStdString(cvfile::VisibleText(texte)));
        montre = champ->text();
    };
    montre(CodeV, fiche.Code, FCodeMontre);
    montre(LibV, fiche.Libelle, FLibelleMontre);
    montre(NomBourse, fiche.NomBourse, FBourseMontre);
    montre(Activite, fiche.Activite, FActiviteMontre);
    // A new security has no price yet: the field starts empty.
    if (FModification) {
        Cours->setText(QString::fromStdString(ChampMontantText(fiche.Cours)));
        FCoursMontre = Cours->text();
    }
    CBReg->setCurrentIndex(fiche.SRD ? 1 : 0);
    SuiviAuto->setChecked(fiche.SuiviAuto);
}

void TOKBottomDlg::OKBtnClick() {
    // A price that does not read keeps the dialog open on it, with everything typed.
    try {
        Saisie();
    } catch (const platform::ConversionError&) {
        FPrompts.Message(this, "Corvane",
                         QString("« %1 » n'est pas un cours : tapez un prix en euros, "
                                 "par exemple 12,30.")
                             .arg(Cours->text()),
                         QMessageBox::Critical, QMessageBox::Ok);
        Cours->setFocus();
        Cours->selectAll();
        return;
    }
    accept();
}

FicheTitre TOKBottomDlg::Saisie() const {
    // A field left as shown keeps the value given, whatever the field could show of it.
    const auto texte = [](const QLineEdit* champ, const QString& montre, const std::string& donne) {
        return champ->text() == montre ? donne : champ->text().toStdString();
    };
    FicheTitre s = FFiche;
    s.Code = texte(CodeV, FCodeMontre, FFiche.Code);
    s.Libelle = texte(LibV, FLibelleMontre, FFiche.Libelle);
    s.NomBourse = texte(NomBourse, FBourseMontre, FFiche.NomBourse);
    s.Activite = texte(Activite, FActiviteMontre, FFiche.Activite);
    if (Cours->text() != FCoursMontre && FPortefeuille != nullptr)
        s.Cours = FPortefeuille->TextToCents(Cours->text().toStdString());
    s.SRD = CBReg->currentIndex() != 0;
    s.SuiviAuto = SuiviAuto->isChecked();
    return s;
}

std::optional<FicheTitre> TOKBottomDlg::Resultat() const {
    FicheTitre s = Saisie();
    if (FModification && s == FFiche)
        return std::nullopt;
    return s;
}

void TOKBottomDlg::BtChooseClick() {
    TBourse picker(this, FPortefeuille, FPrompts);
    if (!FPrompts.RunDialog(picker))
        return;
    LimiteFrappe::Montre(NomBourse, picker.Marche());
    LimiteFrappe::Montre(Activite, picker.FActiviteChoisie);
    LimiteFrappe::Montre(CodeV, picker.FCode);
    LimiteFrappe::Montre(LibV, picker.FLibelle);
}
