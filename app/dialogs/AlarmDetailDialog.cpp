#include "dialogs/AlarmDetailDialog.h"

#include "dialogs/AlarmElementDialog.h"

#include "widgets/QtDates.h"
#include "widgets/TypingLimits.h"
#include "widgets/UiPrompts.h"

#include "portfolio/CvFileFields.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr int kMarge = 10;

void SetUnderline(QLabel* label, bool souligne) {
    QFont font = label->font();
    font.setUnderline(souligne);
    label->setFont(font);
}

void SetBlue(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(palette);
}

QGroupBox* Groupe(const QString& titre, QWidget* champ, QWidget* parent) {
    auto* groupe = new QGroupBox(titre, parent);
    auto* layout = new QVBoxLayout(groupe);
    layout->addWidget(champ);
    return groupe;
}

} // namespace

QStringList AlarmElementItems() {
    static const std::array<const char*, 11> items = {"Cours du titre",
                                                      "Valeur",
                                                      "+/-Value latente brutte",
                                                      "+/-Value latente nette",
                                                      "R.S.I",
                                                      "Moyenne mobile",
                                                      "% Coût Brut",
                                                      "% Coût Net",
                                                      "% Valorisation Brutte",
                                                      "% Valorisation Nette",
                                                      "+/-Value latente nette(SRD)"};
    QStringList liste;
    for (const char* item : items)
        liste << QString::fromUtf8(item);
    return liste;
}

QStringList AlarmOperItems() {
    return {QString("Supérieur"), QString("Supérieur ou égal"), QString("Egal"),
            QString("Inférieur"), QString("Inférieur ou égal")};
}

bool AlarmTakesParameter(std::int8_t type) {
    return type == 1 || (type >= 4 && type <= 9);
}

AlarmPhrase AlarmPhrase::Create(QWidget* cadre) {
    AlarmPhrase phrase;
    phrase.Cadre = cadre;
    const auto texte = [cadre](const char* name) {
        auto* label = new QLabel(cadre);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    phrase.L1 = texte("L1");
    phrase.L2 = texte("L2");
    phrase.L3 = texte("L3");
    phrase.L4 = texte("L4");
    SetBlue(phrase.L2);
    SetBlue(phrase.L4);
    phrase.Place();
    return phrase;
}

void AlarmPhrase::Show(const TCorv& portefeuille, SDetAlarme& alarme) {
    std::string texte;
    L1->setText(alarme.Signal ? QString("Acheter si:") : QString("Vendre si:"));
    const bool defini1 = portefeuille.OperandText(alarme.Element1, texte, true);
    L2->setText(QString::fromStdString(texte));
    SetUnderline(L2, !defini1);
    portefeuille.ComparisonText(alarme.Oper, texte);
    L3->setText(QString::fromStdString(texte));
    const bool defini2 = portefeuille.OperandText(alarme.Element2, texte, false);
    L4->setText(QString::fromStdString(texte));
    SetUnderline(L4, !defini2);
    Place();
}

void AlarmPhrase::Clear() {
    for (QLabel* label : {L1, L2, L3, L4})
        label->clear();
    Place();
}

// Each text starts where the previous one ends, its spaces included, so that the four read as
// one sentence; the signal's words end with ":" and get a space's width after them.
void AlarmPhrase::Place() {
    int x = kMarge;
    int hauteur = 0;
    for (QLabel* label : {L1, L2, L3, L4}) {
        const QFontMetrics mesure(label->font());
        const int largeur = mesure.horizontalAdvance(label->text()) + 1;
        label->setGeometry(x, kMarge, largeur, mesure.height());
        x += largeur;
        if (label == L1 && !label->text().isEmpty())
            x += mesure.horizontalAdvance(' ');
        hauteur = std::max(hauteur, mesure.height());
    }
    Cadre->setMinimumSize(x + kMarge, hauteur + 2 * kMarge);
}

TDetAlarme::TDetAlarme(QWidget* owner, TCorv* portefeuille, SDetAlarme* alarme, UiPrompts& prompts)
    : QDialog(owner), FAlarme(alarme), FPortefeuille(portefeuille), FPrompts(prompts),
      FAvant(*alarme) {
    setObjectName("DetAlarme");
    setWindowTitle(QString("Détail de l'alarme"));

    LibTitre = new QLabel(this);
    LibTitre->setObjectName("LibTitre");
    LibTitre->setAlignment(Qt::AlignCenter);
    LibTitre->setStyleSheet("font-weight: bold;");
    DateVal = MakeDatePicker(this, "DateVal", "dd/MM/yyyy");
    Titre = new QLineEdit(this);
    Titre->setObjectName("Titre");
    // The title shares one line of the portfolio file with the security's code: it is typed up
    // to what that line holds beside a code of the longest usual size, so that a save does
    // not have to refuse it. A title shown stays whole.
    LimiteFrappe::Pose(Titre, 0);
    LimiteFrappe::PartageOctets({Titre}, cvfile::kMaxLineTexts - cvfile::kMaxCode);
    Signal = new QComboBox(this);
    Signal->setObjectName("Signal");
    Signal->addItems({"Vente", "Achat"});
    EVal1 = new QComboBox(this);
    EVal1->setObjectName("EVal1");
    EVal1->addItems(AlarmElementItems());
    // A typed comparison would name none of the five: the list offers them only.
    EOper = new QComboBox(this);
    EOper->setObjectName("EOper");
    EOper->addItems(AlarmOperItems());
    EVal2 = new QComboBox(this);
    EVal2->setObjectName("EVal2");
    EVal2->addItems(AlarmElementItems());

    auto* biseau = new QFrame(this);
    biseau->setObjectName("Bevel1");
    biseau->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    FPhrase = AlarmPhrase::Create(biseau);
    L1 = FPhrase.L1;
    L2 = FPhrase.L2;
    L3 = FPhrase.L3;
    L4 = FPhrase.L4;
    L2->installEventFilter(this);
    L4->installEventFilter(this);

    Button1 = new QPushButton(QString("&Valider"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(QString("&Annuler"), this);
    Button2->setObjectName("Button2");

    auto* haut = new QHBoxLayout;
    haut->addWidget(Groupe(QString("Date de validité"), DateVal, this));
    haut->addWidget(Groupe(QString("Titre de l'alarme"), Titre, this), 1);
    haut->addWidget(Groupe(QString("Signal"), Signal, this));
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(Button1);
    boutons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LibTitre);
    layout->addLayout(haut);
    layout->addWidget(Groupe(QString("Définition de l'élément principal"), EVal1, this));
    layout->addWidget(Groupe(QString("Opérateur de comparaison"), EOper, this));
    layout->addWidget(Groupe(QString("Définition de l'élément de comparaison"), EVal2, this));
    layout->addWidget(biseau);
    layout->addLayout(boutons);

    FormCreate();

    connect(DateVal, &QDateEdit::dateChanged, this, &TDetAlarme::DateValChange);
    connect(Titre, &QLineEdit::textChanged, this, &TDetAlarme::TitreChange);
    connect(Signal, &QComboBox::currentIndexChanged, this, &TDetAlarme::SignalChange);
    connect(EVal1, &QComboBox::currentIndexChanged, this, &TDetAlarme::EVal1Change);
    connect(EOper, &QComboBox::currentIndexChanged, this, &TDetAlarme::EOperChange);
    connect(EVal2, &QComboBox::currentIndexChanged, this, &TDetAlarme::EVal2Change);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &TDetAlarme::reject);
}

// The handlers are connected afterwards: showing the alarm must not clear its numbers.
void TDetAlarme::FormCreate() {
    DateVal->setDate(ToQDate(FAlarme->DateVal));
    LimiteFrappe::Montre(Titre, QString::fromStdString(FAlarme->Intitule));
    Signal->setCurrentIndex(FAlarme->Signal ? 1 : 0);
    EVal1->setCurrentIndex(FAlarme->Element1.Type);
    EVal2->setCurrentIndex(FAlarme->Element2.Type);
    EOper->setCurrentIndex(FAlarme->Oper);
    ShowRecap();
}

void TDetAlarme::ShowRecap() {
    FPhrase.Show(*FPortefeuille, *FAlarme);
    const auto pointeur = [](QLabel* label, const ElementAlarme& element) {
        const bool champ = AlarmTakesParameter(element.Type);
        label->setCursor(champ ? Qt::PointingHandCursor : Qt::ArrowCursor);
        label->setToolTip(champ ? QString("Cliquez pour définir le champ") : QString());
    };
    pointeur(L2, FAlarme->Element1);
    pointeur(L4, FAlarme->Element2);
}

void TDetAlarme::EVal1Change() {
    FAlarme->Element1.Type = static_cast<std::int8_t>(std::max(EVal1->currentIndex(), 0));
    FAlarme->Element1.Param = 0;
    ShowRecap();
}

void TDetAlarme::EVal2Change() {
    FAlarme->Element2.Type = static_cast<std::int8_t>(std::max(EVal2->currentIndex(), 0));
    FAlarme->Element2.Param = 0;
    ShowRecap();
}

void TDetAlarme::SignalChange() {
    FAlarme->Signal = Signal->currentIndex() > 0;
    ShowRecap();
}

void TDetAlarme::EOperChange() {
    FAlarme->Oper = static_cast<std::uint8_t>(std::max(EOper->currentIndex(), 0));
    ShowRecap();
}

void TDetAlarme::TitreChange() {
    FAlarme->Intitule = Titre->text().toStdString();
    ShowRecap();
}

void TDetAlarme::DateValChange() {
    FAlarme->DateVal = FromQDate(DateVal->date());
}

void TDetAlarme::L2Click() {
    ChampClick(FAlarme->Element1);
}

void TDetAlarme::L4Click() {
    ChampClick(FAlarme->Element2);
}

void TDetAlarme::ChampClick(ElementAlarme& element) {
    if (!AlarmTakesParameter(element.Type))
        return;
    TChamp champ(this, FPortefeuille, &element, FPrompts);
    FPrompts.RunDialog(champ);
    ShowRecap();
}

void TDetAlarme::reject() {
    *FAlarme = FAvant;
    QDialog::reject();
}

bool TDetAlarme::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == L2) {
            L2Click();
            return true;
        }
        if (watched == L4) {
            L4Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
