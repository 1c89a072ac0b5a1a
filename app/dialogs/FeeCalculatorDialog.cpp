#include "dialogs/FeeCalculatorDialog.h"

#include "views/ViewText.h"
#include "widgets/UiPrompts.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <charconv>
#include <memory>
#include <string>
#include <utility>

namespace {

// A percentage as typed, turned into a fraction. The reader gives a single-precision value,
// and scaling that float would move the rate off the decimal the user typed (0.48 % would
// become a hair under 0.0048 and lose a cent on round figures), so the scaling starts again
// from the shortest decimal text of that float, which is what was typed.
float Fraction(float pourcent) {
    char texte[64];
    const auto ecrit = std::to_chars(texte, texte + sizeof texte, pourcent);
    long double valeur = 0.0L;
    if (ecrit.ec != std::errc() || std::from_chars(texte, ecrit.ptr, valeur).ec != std::errc())
        return static_cast<float>(static_cast<double>(pourcent) * 0.01);
    return static_cast<float>(valeur / 100.0L);
}

} // namespace

TForm4::TForm4(QWidget* owner, std::int32_t cours, std::int32_t quantite, int kind,
               TCorv* portefeuille, UiPrompts& prompts)
    : QDialog(owner), FPortefeuille(portefeuille), FQuantite(quantite), FCours(cours), FKind(kind),
      FPrompts(prompts) {
    setObjectName("Form4");
    setWindowTitle("Frais");
    const auto edit = [this](const char* name) {
        auto* champ = new QLineEdit(this);
        champ->setObjectName(name);
        return champ;
    };

    VQte = edit("VQte");
    VCours = edit("VCours");
    for (QLineEdit* lu : {VQte, VCours}) {
        lu->setReadOnly(true);
        lu->setFocusPolicy(Qt::NoFocus);
        lu->setAlignment(Qt::AlignRight);
    }
    VSeuil = edit("VSeuil");
    VPerFrais = edit("VPerFrais");
    VMntMin = edit("VMntMin");
    VTva = edit("VTva");
    VFrais = edit("VFrais");
    for (QLineEdit* champ : {VSeuil, VPerFrais, VMntMin, VTva, VFrais})
        champ->setAlignment(Qt::AlignRight);
    Dep = new QCheckBox(QString("Calcul effectué sur dépassement"), this);
    Dep->setObjectName("Dep");

    auto* operation = new QHBoxLayout;
    operation->addWidget(new QLabel(QString("Qte :"), this));
    operation->addWidget(VQte);
    operation->addWidget(new QLabel(QString("Cours :"), this));
    operation->addWidget(VCours);

    auto* tranche = new QFormLayout;
    tranche->addRow(QString("Seuil"), VSeuil);
    tranche->addRow(QString("% frais "), VPerFrais);
    tranche->addRow(QString("Mnt Minimum:"), VMntMin);
    tranche->addRow(QString("% T.V.A"), VTva);
    tranche->addRow(Dep);
    tranche->addRow(QString("Frais"), VFrais);

    Button1 = new QPushButton(QString("&Valider"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(QString("&Annuler"), this);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Button1);
    boutons->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(operation);
    layout->addLayout(tranche);
    layout->addLayout(boutons);

    setTabOrder(VSeuil, VPerFrais);
    setTabOrder(VPerFrais, VMntMin);
    setTabOrder(VMntMin, VTva);
    setTabOrder(VTva, VFrais);
    setTabOrder(VFrais, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Dep);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    for (QLineEdit* champ : {VSeuil, VPerFrais, VMntMin, VTva})
        connect(champ, &QLineEdit::textChanged, this, &TForm4::VPerFraisChange);
    connect(Dep, &QCheckBox::toggled, this, &TForm4::VPerFraisChange);

    // The bracket that the trade's amount falls in; none gives an all-zero bracket.
    const ListeTranches* bareme = nullptr;
    if (kind == 1) {
        setWindowTitle("Calcul des frais de type 1");
        bareme = FPortefeuille ? &FPortefeuille->TranchesFrais1 : nullptr;
    } else if (kind == 2) {
        setWindowTitle("Calcul des frais de type 2");
        bareme = FPortefeuille ? &FPortefeuille->TranchesFrais2 : nullptr;
    } else {
        setWindowTitle(QString("Calcul des frais du Réglement Différé"));
        bareme = FPortefeuille ? &FPortefeuille->TranchesSRD : nullptr;
        Dep->setVisible(false);
    }
    TrancheFrais trouvee;
    if (bareme != nullptr)
        FPortefeuille->FindTranche(platform::Saturate32(platform::Mul64(FQuantite, FCours)),
                                   *bareme, trouvee);
    FSeuil = trouvee.Seuil;
    FFrais = trouvee.Frais;
    FMntMin = trouvee.MntMin;
    FTva = trouvee.Tva;
    FPlVal = trouvee.PlVal;

    // The edits show the bracket with two decimals, cut rather than rounded; the fee is then
    // computed from the edits as shown, so that what is displayed is what is applied. The
    // threshold and the minimum keep their cents: whole euros would make the calculator
    // disagree with the fees that the trades are charged. They are written with the program's
    // decimal separator, as the fee beside them; the edits read either separator back.
    FInit = true;
    const auto montrer = [this](QLineEdit* champ, double valeur) {
        std::string texte;
        if (FPortefeuille != nullptr)
            FPortefeuille->FloatToTextTrunc(2, texte, static_cast<float>(valeur));
        else
            texte = platform::FormatFixed(valeur, 2);
        champ->setText(QString::fromStdString(AvecSeparateurDecimal(std::move(texte))));
    };
    montrer(VCours, FCours * 0.01);
    VQte->setText(QString::fromStdString(platform::FormatInt(FQuantite)));
    montrer(VSeuil, FSeuil * 0.01);
    montrer(VMntMin, FMntMin * 0.01);
    montrer(VPerFrais, static_cast<double>(FFrais) * 100.0);
    montrer(VTva, static_cast<double>(FTva) * 100.0);
    Dep->setChecked(FPlVal);
    FInit = false;
    VPerFraisChange();
}

std::int32_t TForm4::Frais() const {
    // The fee engine itself, on a schedule of this one bracket: the calculator cannot drift
    // from the fees that the trades are charged.
    TCorv calcul("");
    auto tranche = std::make_unique<TrancheFrais>();
    tranche->Seuil = FSeuil;
    tranche->Frais = FFrais;
    tranche->MntMin = FMntMin;
    tranche->Tva = FTva;
    // The deferred-settlement schedule always charges on the whole amount.
    tranche->PlVal = FPlVal && (FKind == 1 || FKind == 2);
    calcul.TranchesFrais1.push_back(std::move(tranche));
    CalculFrais demande;
    demande.SRD = false;
    demande.Quantite = FQuantite;
    demande.Cours = FCours;
    calcul.ComputeFrais(demande);
    return demande.Frais1;
}

void TForm4::VPerFraisChange() {
    if (FPortefeuille == nullptr)
        return;
    if (!FInit) {
        // All four are read before any is kept: a refused text changes nothing.
        try {
            const TCorv& doc = *FPortefeuille;
            const std::int32_t seuil = doc.TextToCents(VSeuil->text().toStdString());
            const float frais = Fraction(doc.TextToFloat(VPerFrais->text().toStdString(), 2));
            const std::int32_t minimum = doc.TextToCents(VMntMin->text().toStdString());
            const float tva = Fraction(doc.TextToFloat(VTva->text().toStdString(), 2));
            FSeuil = seuil;
            FFrais = frais;
            FMntMin = minimum;
            FTva = tva;
            FPlVal = Dep->isChecked();
        } catch (const platform::ConversionError& erreur) {
            FPrompts.Message(this, "Corvane", QString::fromStdString(erreur.what()),
                             QMessageBox::Critical, QMessageBox::Ok);
            return;
        }
    }
    VFrais->setText(QString::fromStdString(ChampMontantText(Frais())));
}
