// The printed reports: what each one prints for a known document (rows, figures, sums, the
// currency caption), how the bands fall on pages, and the printing and preview paths.

#include "../AppTestSupport.h"

#include "reports/PortfolioReport.h"
#include "reports/ReportEngine.h"
#include "reports/SecuritiesReport.h"
#include "reports/TradesReport.h"

#include "platform/DateTime.h"
#include "platform/MemTable.h"
#include "portfolio/Cv.h"
#include "portfolio/Fdatas.h"
#include "support/Builders.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>

#include <cstdint>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace {

using namespace build;

// Numbers are grouped with a no-break space.
QString N(const char* text) {
    return QString::fromUtf8(text).replace(QLatin1Char(' '), QChar(0x00A0));
}

std::vector<const QRPrintedBand*> BandsOf(const std::vector<QRPage>& pages, TQRBandType type) {
    std::vector<const QRPrintedBand*> found;
    for (const QRPage& page : pages)
        for (const QRPrintedBand& band : page.Bands)
            if (band.Type == type)
                found.push_back(&band);
    return found;
}

QStringList Column(const std::vector<const QRPrintedBand*>& rows, const QString& name) {
    QStringList texts;
    for (const QRPrintedBand* row : rows)
        texts << row->Text(name);
    return texts;
}

// Every text stands inside the printable area.
void ExpectInside(const std::vector<QRPage>& pages, const QSizeF& area) {
    for (const QRPage& page : pages)
        for (const QRPrintedBand& band : page.Bands)
            for (const QRText& text : band.Texts) {
                EXPECT_GE(text.Rect.left(), 0.0) << text.Name.toStdString();
                EXPECT_LE(text.Rect.right(), area.width() + 1e-9) << text.Name.toStdString();
                EXPECT_LE(text.Rect.bottom(), band.Rect.bottom() + 1e-9) << text.Name.toStdString();
            }
}

// The pages of a PDF file: each page is an object of type /Page; the page tree is /Pages.
std::size_t PdfPages(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    const std::string text = contents.str();
    EXPECT_EQ(text.rfind("%PDF", 0), 0u) << path;
    std::size_t pages = 0;
    for (std::size_t at = text.find("/Type /Page"); at != std::string::npos;
         at = text.find("/Type /Page", at + 1))
        if (text.compare(at, 12, "/Type /Pages") != 0)
            ++pages;
    return pages;
}

void ToPdf(QPrinter& printer, const std::string& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// Measures a text as a device of the given resolution draws it, in millimetres.
class Mesure {
public:
    Mesure(const QFont& font, const QPaintDevice* device, double dpi)
        : metrics_(font, device), k_(dpi / 25.4) {}
    double Largeur(const QString& text) const { return metrics_.horizontalAdvance(text) / k_; }
    QSizeF Enveloppe(const QString& text, double width) const {
        return metrics_.boundingRect(QRectF(0.0, 0.0, width * k_, 1.0e6), Qt::TextWordWrap, text)
                   .size() /
               k_;
    }

private:
    QFontMetricsF metrics_;
    double k_;
};

// Every text of the pages stands whole inside its cell at the font it prints in, measured as
// the screen draws it (the preview's type, hinted) and at a printer's resolution: one-line
// texts within the cell's width, wrapped captions within its width and height. Nothing is
// cut short but the free texts named, which may be.
void ExpectWhole(const std::vector<QRPage>& pages, const QStringList& libres = {}) {
    QImage imprimante(1, 1, QImage::Format_RGB32);
    imprimante.setDotsPerMeterX(qRound(600 / 0.0254));
    imprimante.setDotsPerMeterY(qRound(600 / 0.0254));
    const double ecran = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    int textes = 0;
    for (const QRPage& page : pages)
        for (const QRPrintedBand& band : page.Bands)
            for (const QRText& t : band.Texts) {
                if (t.Text.isEmpty())
                    continue;
                ++textes;
                const std::string nom = t.Name.toStdString() + " \"" + t.Text.toStdString() + "\"";
                const QFont font = TQuickRep::TextFont(t.FontSize, t.Bold);
                for (const Mesure& m : {Mesure(font, nullptr, ecran),
                                        Mesure(font, &imprimante, imprimante.logicalDpiX())}) {
                    if (t.WordWrap) {
                        const QSizeF taille = m.Enveloppe(t.Text, t.Rect.width());
                        EXPECT_LE(taille.width(), t.Rect.width() + 1e-6) << nom;
                        EXPECT_LE(taille.height(), t.Rect.height() + 1e-6) << nom;
                    } else {
                        EXPECT_LE(m.Largeur(t.Text), t.Rect.width() + 1e-6) << nom;
                    }
                }
                if (!libres.contains(t.Name)) {
                    EXPECT_FALSE(t.Text.contains(QChar(0x2026))) << nom;
                }
            }
    EXPECT_GT(textes, 0);
}

// The texts named print at their item's own size: they fitted without shrinking.
void ExpectFullSize(TQuickRep& report, const std::vector<const QRPrintedBand*>& bands,
                    const QStringList& names) {
    for (const QRPrintedBand* band : bands)
        for (const QString& name : names) {
            const QRText* text = band->Find(name);
            ASSERT_NE(text, nullptr) << name.toStdString();
            EXPECT_DOUBLE_EQ(text->FontSize, report.Item(name)->FontSize)
                << name.toStdString() << " \"" << text->Text.toStdString() << "\"";
        }
}

class ReportsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ResetDatas();
        doc = std::make_unique<TCorv>(dataDir_);
        doc->Fichier = "/home/marie/bourse/perso.cvx";
        doc->DateLiqC = platform::EncodeDate(2026, 3, 26);
        doc->LibLocal = "francs";
    }

    std::unique_ptr<TCorv> doc;
};

// ---- portfolio summary ----

TEST_F(ReportsTest, PortfolioSummaryPrintsTheFourBlocksOnce) {
    doc->Cash = 50000;
    doc->ValorNetAct = 150000;
    doc->CashLiq = -20000;
    doc->ValorNet = 170000;
    doc->AchRMBrut = 118000;
    doc->AchRMNet = 120000;
    doc->VenRMBrut = 0;
    doc->VenRMNet = 0;
    doc->RealNetTOT = 10000;
    doc->CouvC = 1.0f;
    doc->CouvT = 0.5f;
    TEdit1 edit(nullptr, doc.get());
    EXPECT_EQ(Edit1, &edit);
    const std::vector<QRPage> pages = edit.QR.Prepare();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].Bands.size(), 3u);
    const QRPrintedBand& titre = pages[0].Bands[0];
    EXPECT_EQ(titre.Text("Titre"), QString("Synthése du portefeuille"));
    EXPECT_EQ(titre.Text("Document"), "/home/marie/bourse/perso.cvx");
    EXPECT_EQ(titre.Text("LibLiq"), "Prochaine date de liquidation le ");
    EXPECT_EQ(titre.Text("EDateLiq"), "26-mars-2026");
    EXPECT_EQ(titre.Text("TypMnt"), QString("Montants exprimés en Euros"));

    const QRPrintedBand& d = pages[0].Bands[1];
    EXPECT_EQ(d.Type, TQRBandType::Detail);
    EXPECT_EQ(d.Text("ECashPo"), "500,00");
    EXPECT_EQ(d.Text("EEvalTi"), N("1 500,00"));
    EXPECT_EQ(d.Text("EEvalGlo"), N("2 000,00"));
    EXPECT_EQ(d.Text("ECashPoP"), "25,00"); // no "%" sign
    EXPECT_EQ(d.Text("EEvalTiP"), "75,00");
    // A negative cash at settlement: amounts shown, shares not.
    EXPECT_EQ(d.Text("ECashPoL"), "-200,00");
    EXPECT_EQ(d.Text("EEvalTiL"), N("1 700,00"));
    EXPECT_EQ(d.Text("EEvalGloL"), N("1 500,00"));
    EXPECT_EQ(d.Text("ECashPoPL"), "0,00");
    EXPECT_EQ(d.Text("EEvalTiPL"), "0,00");
    EXPECT_EQ(d.Text("EAchRMB"), N("1 180,00"));
    EXPECT_EQ(d.Text("EAchRMN"), N("1 200,00"));
    EXPECT_EQ(d.Text("EVeRMB"), "0,00");
    EXPECT_EQ(d.Text("ESoLiqB"), N("-1 180,00"));
    EXPECT_EQ(d.Text("ESoLiqN"), N("-1 200,00"));
    // CT = (50 000 - 10 000) × 1 + 150 000 × 0.5; CE = 120 000 - 50 000.
    EXPECT_EQ(d.Text("ECouvT"), N("1 150,00"));
    EXPECT_EQ(d.Text("ECouvE"), "700,00");
    EXPECT_EQ(d.Text("ECouvD"), "450,00");
    EXPECT_EQ(d.Text(QString("Couverture au R.M Couverture engagée")),
              QString("Couverture engagée"));

    ExpectInside(pages, edit.QR.DefaultArea());
    const QRPrintedBand& pied = pages[0].Bands[2];
    EXPECT_EQ(pied.Type, TQRBandType::PageFooter);
    EXPECT_EQ(pied.Text("Produit"), "Corvane");
    EXPECT_EQ(pied.Text("DateHeure"), "15/03/26 12:00:00");
}

TEST_F(ReportsTest, PortfolioSummaryInLocalCurrencyConvertsAmountsNotShares) {
    doc->Facteur = 6.55957f;
    doc->Cash = 100000;
    doc->ValorNetAct = -100000;
    doc->CashLiq = 30000;
    doc->ValorNet = 10000;
    TEdit1 edit(nullptr, doc.get());
    const std::vector<QRPage> pages = edit.QR.Prepare();
    EXPECT_EQ(pages[0].Bands[0].Text("TypMnt"), QString("Montants exprimés en francs"));
    const QRPrintedBand& d = pages[0].Bands[1];
    EXPECT_EQ(d.Text("ECashPo"), N("6 559,57"));
    // Shares are ratios: the factor does not touch them.
    EXPECT_EQ(d.Text("ECashPoPL"), "75,00");
    EXPECT_EQ(d.Text("EEvalTiPL"), "25,00");
}

// ---- securities summary ----

TEST_F(ReportsTest, SecuritiesSummaryListsEverySecurityWithTheGainTotals) {
    doc->Facteur = 2.0f;
    Valeurs* a = AddSecurity(*doc, "12000", "ALPHA");
    a->Bilan.NbInPort = 150;
    a->Bilan.PxMoyAchBrut = 2050;
    a->Bilan.PxMoyAchNet = 20.75f;
    a->Bilan.CoutBrut = 307500;
    a->Bilan.CoutNet = 311250;
    a->Bilan.ValorBrut = 600000;
    a->Bilan.ValorNet = 590000;
    a->Bilan.PlValLatBrut = 292500;
    a->Bilan.PlValLatNet = 278750;
    a->Bilan.PlValBrut = 1000;
    a->Bilan.PlValNet = -500;
    a->Bilan.TotFrais = 777;
    Valeurs* b = AddSecurity(*doc, "13000", "BETA");
    b->Bilan.PlValBrut = -4001;
    b->Bilan.PlValNet = -4500;
    TEdit2 edit(nullptr, doc.get());
    EXPECT_EQ(edit.QR.Orientation, QPageLayout::Landscape);

    platform::MemTable& repart = TheDatas().Repart;
    ASSERT_EQ(repart.RecordCount(), 2);
    repart.First();
    EXPECT_EQ(TheDatas().RepartCodeVal.AsString(), "12000");
    EXPECT_DOUBLE_EQ(TheDatas().RepartCoutNet.AsFloat(), 6225.0);
    EXPECT_TRUE(TheDatas().RepartTotFrais.IsNull());
    EXPECT_TRUE(TheDatas().RepartNbAchat.IsNull());

    const std::vector<QRPage> pages = edit.QR.Prepare();
    ASSERT_EQ(pages.size(), 1u);
    const QRPrintedBand& entete = pages[0].Bands[1];
    EXPECT_EQ(entete.Type, TQRBandType::ColumnHeader);
    EXPECT_EQ(entete.Text("TitreNbInPort"), QString("Quantité en Portefeuille."));
    EXPECT_EQ(entete.Text("TitrePxMoyAchBrut"), QString("Prix. Moyen Achat Brut"));
    EXPECT_EQ(entete.Text("TitrePlValNet"), QString("+Value réalisée nette"));
    const auto rows = BandsOf(pages, TQRBandType::Detail);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Column(rows, "CodeVal"), (QStringList{"12000", "13000"}));
    EXPECT_EQ(Column(rows, "Libelle"), (QStringList{"ALPHA", "BETA"}));
    EXPECT_EQ(Column(rows, "NbInPort"), (QStringList{"150", "0"}));
    EXPECT_EQ(Column(rows, "PxMoyAchBrut"), (QStringList{"41,00", "0,00"}));
    EXPECT_EQ(Column(rows, "PxMoyAchNet"), (QStringList{"41,50", "0,00"}));
    EXPECT_EQ(Column(rows, "CoutBrut"), (QStringList{N("6 150,00"), "0,00"}));
    EXPECT_EQ(Column(rows, "ValorNet"), (QStringList{N("11 800,00"), "0,00"}));
    EXPECT_EQ(Column(rows, "PlValLatBrut"), (QStringList{N("5 850,00"), "0,00"}));
    EXPECT_EQ(Column(rows, "PlValBrut"), (QStringList{"20,00", "-80,02"}));

    const auto totals = BandsOf(pages, TQRBandType::Summary);
    ASSERT_EQ(totals.size(), 1u);
    EXPECT_EQ(totals[0]->Text("Total"), "Total");
    EXPECT_EQ(totals[0]->Text("SommePlValLatBrut"), N("5 850,00"));
    EXPECT_EQ(totals[0]->Text("SommePlValLatNet"), N("5 575,00"));
    EXPECT_EQ(totals[0]->Text("SommePlValBrut"), "-60,02");
    EXPECT_EQ(totals[0]->Text("SommePlValNet"), "-100,00");
    EXPECT_EQ(totals[0]->Find("SommeCoutBrut"), nullptr);
}

TEST_F(ReportsTest, EmptyPortfolioPrintsHeadingsAndZeroTotals) {
    Valeurs* a = AddSecurity(*doc, "12000", "ALPHA");
    a->Bilan.PlValBrut = 1234;
    { TEdit2 avant(nullptr, doc.get()); } // leaves a row in the table
    doc->Titres.clear();
    TEdit2 edit(nullptr, doc.get());
    EXPECT_EQ(TheDatas().Repart.RecordCount(), 0);
    const std::vector<QRPage> pages = edit.QR.Prepare();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(BandsOf(pages, TQRBandType::Detail).empty());
    EXPECT_EQ(BandsOf(pages, TQRBandType::ColumnHeader).size(), 1u);
    const auto totals = BandsOf(pages, TQRBandType::Summary);
    ASSERT_EQ(totals.size(), 1u);
    for (const char* name :
         {"SommePlValLatBrut", "SommePlValLatNet", "SommePlValBrut", "SommePlValNet"})
        EXPECT_EQ(totals[0]->Text(name), "0,00") << name;
    EXPECT_EQ(pages[0].Bands[0].Text("Titre"), QString("Synthèse des titres"));
}

TEST_F(ReportsTest, LongListsBreakIntoPagesWithHeadersAndFootersOnEach) {
    for (int i = 0; i < 70; ++i) {
        Valeurs* t = AddSecurity(*doc, std::to_string(10000 + i), "TITRE");
        t->Bilan.PlValNet = 100; // 1,00 each
    }
    TEdit2 edit(nullptr, doc.get());
    const QSizeF area = edit.QR.DefaultArea();
    const std::vector<QRPage> pages = edit.QR.Prepare(area);
    ASSERT_GE(pages.size(), 2u);
    int rows = 0;
    QStringList codes;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const auto& bands = pages[p].Bands;
        EXPECT_EQ(bands.front().Type, p == 0 ? TQRBandType::Title : TQRBandType::ColumnHeader);
        EXPECT_EQ(bands.back().Type, TQRBandType::PageFooter);
        EXPECT_NEAR(bands.back().Rect.bottom(), area.height(), 1e-9);
        const double pied = bands.back().Rect.top();
        for (const QRPrintedBand& band : bands) {
            if (band.Type == TQRBandType::PageFooter)
                continue;
            EXPECT_LE(band.Rect.bottom(), pied + 1e-6) << "page " << p;
            if (band.Type == TQRBandType::Detail) {
                ++rows;
                codes << band.Text("CodeVal");
            }
            EXPECT_EQ(band.Type == TQRBandType::Summary,
                      p + 1 == pages.size() && &band == &bands[bands.size() - 2]);
        }
        EXPECT_EQ(BandsOf({pages[p]}, TQRBandType::ColumnHeader).size(), 1u);
    }
    EXPECT_EQ(rows, 70);
    ExpectInside(pages, area);
    // In the document's list order, whatever it is.
    QStringList liste;
    for (const auto& titre : doc->Titres)
        liste << QString::fromStdString(titre->Code);
    EXPECT_EQ(codes, liste);
    EXPECT_EQ(BandsOf(pages, TQRBandType::Summary)[0]->Text("SommePlValNet"), "70,00");
}

// ---- trades of one security ----

TEST_F(ReportsTest, TradesReportListsTheTradesAndShadesTheSales) {
    doc->Facteur = 10.0f;
    Valeurs* t = AddSecurity(*doc, "12000", "ALPHA");
    AddTrade(t, platform::EncodeDate(2026, 1, 5), 'A', 100, 2050, 1230);
    AddTrade(t, platform::EncodeDate(2026, 2, 10), 'V', 40, 2500, 800);
    t->Operes[0]->PxMoyAchBrut = 2050;
    t->Operes[0]->PxMoyAchNet = 20.623f;
    t->Operes[1]->PxMoyAchBrut = 2050;
    t->Operes[1]->PlValBrut = 18000;
    t->Operes[1]->PlValNet = 16000;
    TEdit3 edit(nullptr, t, doc.get());
    const std::vector<QRPage> pages = edit.QR.Prepare();
    ASSERT_EQ(pages.size(), 1u);
    const QRPrintedBand& titre = pages[0].Bands[0];
    EXPECT_EQ(titre.Text("Titre"), QString("Synthése de la valeur 12000"));
    EXPECT_EQ(titre.Text("LibVal"), "ALPHA");
    EXPECT_EQ(titre.Text("TypMnt"), QString("Montants exprimés en francs"));

    const auto rows = BandsOf(pages, TQRBandType::Detail);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Column(rows, "Date"), (QStringList{"05/01/26", "10/02/26"}));
    EXPECT_EQ(Column(rows, "Sens"), (QStringList{"Achat", "Vente"}));
    EXPECT_EQ(Column(rows, "Quantite"), (QStringList{"100", "40"}));
    EXPECT_EQ(Column(rows, "Cours"), (QStringList{"205,00", "250,00"}));
    EXPECT_EQ(Column(rows, "Frais"), (QStringList{"123,00", "80,00"}));
    EXPECT_EQ(Column(rows, "PxMoyAchBrut"), (QStringList{"205,00", "205,00"}));
    EXPECT_EQ(Column(rows, "PxMoyAchNet"), (QStringList{"206,23", "0,00"}));
    EXPECT_EQ(Column(rows, "PlValBrut"), (QStringList{"0,00", N("1 800,00")}));
    EXPECT_EQ(Column(rows, "PlValNet"), (QStringList{"0,00", N("1 600,00")}));
    EXPECT_EQ(rows[0]->Color, QColor(Qt::white));
    EXPECT_EQ(rows[1]->Color, QGuiApplication::palette().color(QPalette::Button));
    EXPECT_TRUE(BandsOf(pages, TQRBandType::Summary).empty());
    ExpectInside(pages, edit.QR.DefaultArea());
}

TEST_F(ReportsTest, SecurityWithoutTradesPrintsHeadingsOnly) {
    Valeurs* avec = AddSecurity(*doc, "12000", "ALPHA");
    AddTrade(avec, platform::EncodeDate(2026, 1, 5), 'V', 1, 100, 0);
    { TEdit3 avant(nullptr, avec, doc.get()); }
    Valeurs* sans = AddSecurity(*doc, "13000", "BETA");
    TEdit3 edit(nullptr, sans, doc.get());
    EXPECT_EQ(TheDatas().Operes.RecordCount(), 0);
    const std::vector<QRPage> pages = edit.QR.Prepare();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].Bands.size(), 3u);
    EXPECT_EQ(pages[0].Bands[1].Type, TQRBandType::ColumnHeader);
    EXPECT_EQ(pages[0].Bands[1].Text("TitrePxMoyAchNet"), "Prix Moyen Achat Net");
    EXPECT_EQ(pages[0].Bands[1].Text("TitreQuantite"), QString("Quantité"));
}

// ---- every text prints whole ----

TEST_F(ReportsTest, PortfolioSummaryPrintsHeadingsAndExtremeAmountsWhole) {
    doc->Fichier = "/home/marie/" + std::string(300, 'x') + "/perso.cvx";
    doc->Cash = kMin;
    doc->ValorNetAct = 0;
    doc->CashLiq = 0;
    doc->ValorNet = kMin;
    doc->AchRMBrut = kMax;
    doc->AchRMNet = kMax;
    doc->RealNetTOT = 0;
    doc->CouvC = 1.0f;
    doc->CouvT = 1.0f;
    TEdit1 edit(nullptr, doc.get());
    const std::vector<QRPage> pages = edit.QR.Prepare();
    ASSERT_EQ(pages.size(), 1u);
    const QRPrintedBand& d = pages[0].Bands[1];
    // Nine significant digits, as the windows show them.
    EXPECT_EQ(d.Text("ECashPo"), N("-21 474 836,50"));
    EXPECT_EQ(d.Text("ESoLiqB"), N("-21 474 836,50"));
    EXPECT_EQ(d.Text(QString("Position au R.M 1")), QString("Montant brut"));
    EXPECT_EQ(d.Text(QString("Position courante 2")), QString("Pourcentage"));
    ExpectWhole(pages, {"Document"});
    ExpectFullSize(edit.QR, {&d},
                   {"ECashPo", "EEvalTi", "EEvalGlo", "ECashPoP", "EEvalTiP", "EEvalTiL",
                    "EEvalGloL", "EAchRMB", "EAchRMN", "ESoLiqB", "ESoLiqN", "ECouvT",
                    QString("Position courante 1"), QString("Position courante 2"),
                    QString("Position au R.M 1"), QString("Position au R.M 2"),
                    QString("Couverture au R.M Couverture disponible")});
    // Two columns stand apart: a heading ends before the next one begins.
    const QRText* montant = d.Find(QString("Position courante 1"));
    const QRText* part = d.Find(QString("Position courante 2"));
    EXPECT_LT(montant->Rect.right(), part->Rect.left());
    EXPECT_LT(d.Find(QString("Position courante 2"))->Rect.right(),
              d.Find(QString("Position en liquidation"))->Rect.left());
    // The engaged coverage, 2^32 - 1 cents, goes beyond 32 bits, and prints whole.
    EXPECT_EQ(d.Text("ECouvE"), N("42 949 673,00"));
    EXPECT_TRUE(pages[0].Bands[0].Text("Document").endsWith(QChar(0x2026)));
}

TEST_F(ReportsTest, SecuritiesSummaryPrintsExtremeRowsAndTotalsWhole) {
    for (const char* code : {"12000", "13000", "14000", "15000", "16000"}) {
        Valeurs* t =
            AddSecurity(*doc, code, "COMPAGNIE GENERALE DES ETABLISSEMENTS DE L'EST REUNIS");
        BilanTitre& b = t->Bilan;
        b.NbInPort = kMin;
        b.PxMoyAchBrut = b.CoutBrut = b.CoutNet = b.ValorBrut = b.ValorNet = kMin;
        b.PxMoyAchNet = -21474836.0f;
        b.PlValLatBrut = b.PlValLatNet = b.PlValBrut = kMin;
        b.PlValNet = code[1] % 2 == 0 ? kMin : kMax;
    }
    TEdit2 edit(nullptr, doc.get());
    const std::vector<QRPage> pages = edit.QR.Prepare();
    ASSERT_EQ(pages.size(), 1u);
    const auto rows = BandsOf(pages, TQRBandType::Detail);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0]->Text("CoutBrut"), N("-21 474 836,48"));
    EXPECT_EQ(rows[0]->Text("NbInPort"), "-2147483648");
    EXPECT_TRUE(rows[0]->Text("Libelle").endsWith(QChar(0x2026)));
    ExpectWhole(pages, {"Libelle"});
    const QStringList chiffres = {"NbInPort",    "PxMoyAchBrut", "PxMoyAchNet", "CoutBrut",
                                  "CoutNet",     "ValorBrut",    "ValorNet",    "PlValLatBrut",
                                  "PlValLatNet", "PlValBrut",    "PlValNet"};
    ExpectFullSize(edit.QR, rows, chiffres);
    QStringList titres;
    for (const QString& nom : chiffres)
        titres << "Titre" + nom;
    ExpectFullSize(edit.QR, BandsOf(pages, TQRBandType::ColumnHeader), titres);
    // A total as wide as any row prints at full size; five rows of -2^31 cents add up to a
    // wider one, printed smaller but whole.
    const auto totals = BandsOf(pages, TQRBandType::Summary);
    ASSERT_EQ(totals.size(), 1u);
    EXPECT_EQ(totals[0]->Text("SommePlValNet"), N("-21 474 836,50"));
    ExpectFullSize(edit.QR, totals, {"SommePlValNet"});
    const QRText* somme = totals[0]->Find("SommePlValBrut");
    EXPECT_EQ(somme->Text, N("-107 374 182,40"));
    EXPECT_LT(somme->FontSize, edit.QR.Item("SommePlValBrut")->FontSize);
}

TEST_F(ReportsTest, TradesReportPrintsExtremeTradesWhole) {
    doc->Facteur = 1.0f;
    Valeurs* t = AddSecurity(*doc, "12000", "ALPHA");
    AddTrade(t, platform::EncodeDate(2026, 12, 28), 'V', kMin, kMin, kMin);
    AddTrade(t, platform::EncodeDate(2026, 12, 28), 'A', kMax, kMax, kMax);
    for (const auto& op : t->Operes) {
        op->PxMoyAchBrut = op->PlValBrut = op->PlValNet = op->Cours;
        op->PxMoyAchNet = static_cast<float>(op->Cours) * 0.01f;
    }
    TEdit3 edit(nullptr, t, doc.get());
    const std::vector<QRPage> pages = edit.QR.Prepare();
    ASSERT_EQ(pages.size(), 1u);
    const auto rows = BandsOf(pages, TQRBandType::Detail);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->Text("Frais"), N("-21 474 836,48"));
    EXPECT_EQ(rows[0]->Text("Quantite"), "-2147483648");
    ExpectWhole(pages);
    ExpectFullSize(edit.QR, rows,
                   {"Date", "Sens", "Quantite", "Cours", "Frais", "PxMoyAchBrut", "PxMoyAchNet",
                    "PlValBrut", "PlValNet"});
}

// In local currency an amount of 32-bit cents grows beyond the widest euro amount.
TEST_F(ReportsTest, LocalCurrencyAmountsShrinkRatherThanBeingCut) {
    doc->Facteur = 6.55957f;
    Valeurs* t = AddSecurity(*doc, "12000", "ALPHA");
    t->Bilan.ValorNet = kMin;
    TEdit2 edit(nullptr, doc.get());
    const std::vector<QRPage> pages = edit.QR.Prepare();
    const auto rows = BandsOf(pages, TQRBandType::Detail);
    ASSERT_EQ(rows.size(), 1u);
    const QRText* valeur = rows[0]->Find("ValorNet");
    EXPECT_TRUE(valeur->Text.startsWith(N("-140 86"))) << valeur->Text.toStdString();
    EXPECT_EQ(valeur->Text.size(), 15);
    EXPECT_LT(valeur->FontSize, edit.QR.Item("ValorNet")->FontSize);
    ExpectWhole(pages);
}

// A landscape report previewed or printed on a portrait page shrinks as a whole.
TEST_F(ReportsTest, ALandscapeReportOnAPortraitPageShrinksToItsWidth) {
    for (int i = 0; i < 60; ++i)
        AddSecurity(*doc, std::to_string(20000 + i), "TITRE")->Bilan.ValorNet = kMin;
    TEdit2 edit(nullptr, doc.get());
    QSizeF portrait = edit.QR.DefaultArea();
    portrait.transpose();
    const QRSheets sheets = edit.QR.PrepareForPage(portrait);
    EXPECT_NEAR(sheets.Scale, portrait.width() / edit.QR.DefaultArea().width(), 1e-9);
    for (const QRPage& page : sheets.Pages)
        for (const QRPrintedBand& band : page.Bands) {
            EXPECT_LE(band.Rect.right() * sheets.Scale, portrait.width() + 1e-6);
            EXPECT_LE(band.Rect.bottom() * sheets.Scale, portrait.height() + 1e-6);
            for (const QRText& text : band.Texts)
                EXPECT_LE(text.Rect.right() * sheets.Scale, portrait.width() + 1e-6)
                    << text.Name.toStdString();
        }
    ExpectWhole(sheets.Pages, {"Libelle"});
    // On its own page nothing changes.
    const QRSheets landscape = edit.QR.PrepareForPage(edit.QR.DefaultArea());
    EXPECT_DOUBLE_EQ(landscape.Scale, 1.0);
    EXPECT_EQ(landscape.Pages.size(), edit.QR.Prepare().size());
    EXPECT_LT(sheets.Pages.size(), landscape.Pages.size()) << "smaller rows, more on a page";

    // Printing follows the same layout: the page count tells.
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, Path("portrait.pdf"));
    edit.QR.SetupPage(printer);
    printer.setPageOrientation(QPageLayout::Portrait);
    const QSizeF area = printer.pageLayout().paintRect(QPageLayout::Millimeter).size();
    const std::size_t expected = edit.QR.PrepareForPage(area).Pages.size();
    edit.QR.Paint(printer);
    EXPECT_EQ(PdfPages(Path("portrait.pdf")), expected);
}

// ---- the engine ----

TEST_F(ReportsTest, UnknownFieldsAndExpressionsAreRefused) {
    TQuickRep rep;
    rep.DataSet = &TheDatas().Repart;
    rep.AddBand(TQRBandType::Summary, "S", 5.0).AddExpr("X", "SUM(Repart.Inconnu)", {});
    EXPECT_THROW(rep.Prepare(), std::logic_error);
    rep.Bands.back().Items.back().Expression = "SUM(Repart.Libelle)"; // a text field
    EXPECT_THROW(rep.Prepare(), std::logic_error);
    rep.Bands.back().Items.back().Expression = "SUM(Operes.PlValNet)"; // another table
    EXPECT_THROW(rep.Prepare(), std::logic_error);
    rep.Bands.back().Items.back().Expression = "sum( repart.PlValNet )";
    EXPECT_EQ(rep.Prepare()[0].Bands[0].Text("X"), "0,00");
    rep.AddBand(TQRBandType::Detail, "D", 5.0).AddDBText("Y", "Inconnu", {});
    TheDatas().Repart.Append();
    TheDatas().Repart.Post();
    EXPECT_THROW(rep.Prepare(), std::logic_error);
}

// ---- printing and preview ----

TEST_F(ReportsTest, PrintsToPdfAndGivesThePrinterBackItsLayout) {
    for (int i = 0; i < 70; ++i)
        AddSecurity(*doc, std::to_string(20000 + i), "TITRE");
    TEdit2 edit(nullptr, doc.get());
    const std::size_t expected = edit.QR.Prepare().size();
    ASSERT_GE(expected, 2u);

    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, Path("titres.pdf"));
    printer.setPageOrientation(QPageLayout::Portrait);
    edit.Print(printer);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(PdfPages(Path("titres.pdf")), expected);
}

TEST_F(ReportsTest, ALongReportShowsItsProgressAndCanBeGivenUp) {
    Valeurs* t = AddSecurity(*doc, "12000", "ALPHA");
    for (int i = 0; i < 3000; ++i)
        AddTrade(t, platform::EncodeDate(2026, 1, 5), 'A', 1, 100, 0);
    TEdit3 edit(nullptr, t, doc.get());
    const int delai = TQuickRep::ProgressDelayMs;
    TQuickRep::ProgressDelayMs = 0;
    // The user's click comes from the event loop, which the progress window keeps running.
    int vus = 0;
    int total = 0;
    QTimer guet;
    guet.setInterval(0);
    QObject::connect(&guet, &QTimer::timeout, [&] {
        for (QWidget* fenetre : QApplication::topLevelWidgets())
            if (auto* progression = qobject_cast<QProgressDialog*>(fenetre);
                progression != nullptr && progression->isVisible()) {
                ++vus;
                total = progression->maximum();
                if (progression->value() > 0)
                    progression->cancel();
            }
    });
    guet.start();
    QPrinter printer(QPrinter::HighResolution);
    const std::string pdf = Path("operes.pdf");
    ToPdf(printer, pdf);
    const bool imprime = edit.Print(printer);
    EXPECT_FALSE(imprime);
    EXPECT_GT(vus, 0);
    EXPECT_EQ(total, 3000); // the rows to lay out
    EXPECT_FALSE(std::filesystem::exists(pdf) && std::filesystem::file_size(pdf) > 0);

    // A preview given up while it is built closes.
    vus = 0;
    bool ferme = false;
    prompts.onDialog = [&](QDialog& dialog) {
        QObject::connect(&dialog, &QDialog::rejected, [&] { ferme = true; });
        if (auto* vue = dialog.findChild<QPrintPreviewWidget*>())
            vue->updatePreview();
        QApplication::processEvents();
        return false;
    };
    edit.Preview(printer, prompts);
    guet.stop();
    TQuickRep::ProgressDelayMs = delai;
    EXPECT_GT(vus, 0);
    EXPECT_TRUE(ferme);
}

// Giving up the drawing of the pages, in a print to a file or in a preview, leaves no partial
// file and the printer fit for the next preview and print.
TEST_F(ReportsTest, DrawingGivenUpLeavesNoFileAndThePrinterFitForTheNext) {
    Valeurs* t = AddSecurity(*doc, "12000", "ALPHA");
    for (int i = 0; i < 3000; ++i)
        AddTrade(t, platform::EncodeDate(2026, 1, 5), 'A', 1, 100, 0);
    TEdit3 edit(nullptr, t, doc.get());
    const std::size_t pages = edit.QR.Prepare().size();
    const int delai = TQuickRep::ProgressDelayMs;
    TQuickRep::ProgressDelayMs = 0;
    bool annuler = true;
    int annules = 0;
    QTimer guet;
    guet.setInterval(0);
    QObject::connect(&guet, &QTimer::timeout, [&] {
        for (QWidget* fenetre : QApplication::topLevelWidgets())
            if (auto* progression = qobject_cast<QProgressDialog*>(fenetre);
                annuler && progression != nullptr && progression->isVisible() &&
                progression->labelText().startsWith("Impression") && progression->value() > 1) {
                progression->cancel();
                ++annules;
            }
    });
    guet.start();
    QPrinter printer(QPrinter::HighResolution);
    const std::string pdf = Path("operes.pdf");
    ToPdf(printer, pdf);
    EXPECT_FALSE(edit.Print(printer));
    EXPECT_EQ(annules, 1);
    EXPECT_FALSE(std::filesystem::exists(pdf));

    int montrees = -1;
    bool ferme = false;
    prompts.onDialog = [&](QDialog& dialog) {
        QObject::connect(&dialog, &QDialog::rejected, [&] { ferme = true; });
        auto* vue = dialog.findChild<QPrintPreviewWidget*>();
        if (vue == nullptr)
            return false;
        vue->updatePreview();
        QApplication::processEvents();
        if (annuler)
            return false;
        montrees = vue->pageCount();
        annuler = true; // a print from the preview, given up, then done
        vue->print();
        EXPECT_FALSE(std::filesystem::exists(pdf));
        annuler = false;
        vue->print();
        return false;
    };
    edit.Preview(printer, prompts);
    EXPECT_EQ(annules, 2);
    EXPECT_TRUE(ferme);

    annuler = false;
    edit.Preview(printer, prompts);
    guet.stop();
    TQuickRep::ProgressDelayMs = delai;
    EXPECT_EQ(annules, 3);
    EXPECT_EQ(montrees, static_cast<int>(pages));
    EXPECT_EQ(PdfPages(pdf), pages);
}

TEST_F(ReportsTest, PreviewRunsThroughThePromptsInTheReportsOrientation) {
    AddSecurity(*doc, "12000", "ALPHA");
    TEdit2 edit(nullptr, doc.get());
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageOrientation(QPageLayout::Portrait);
    int pagesShown = 0;
    prompts.onDialog = [&](QDialog& dialog) {
        EXPECT_NE(qobject_cast<QPrintPreviewDialog*>(&dialog), nullptr);
        EXPECT_EQ(dialog.windowTitle(), QString("Synthèse des titres"));
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
        if (auto* vue = dialog.findChild<QPrintPreviewWidget*>()) {
            vue->updatePreview();
            pagesShown = vue->pageCount();
        }
        return false;
    };
    edit.Preview(printer, prompts);
    EXPECT_EQ(prompts.dialogs, 1);
    EXPECT_EQ(pagesShown, 1);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
}

TEST_F(ReportsTest, AnErrorWhileDrawingThePreviewIsRaisedOnceItCloses) {
    TQuickRep rep;
    rep.DataSet = &TheDatas().Repart;
    rep.AddBand(TQRBandType::Summary, "S", 5.0).AddExpr("X", "SUM(Repart.Inconnu)", {});
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    bool drawn = false;
    prompts.onDialog = [&](QDialog& dialog) {
        if (auto* vue = dialog.findChild<QPrintPreviewWidget*>()) {
            vue->updatePreview(); // must not throw through the preview
            drawn = true;
        }
        return false;
    };
    EXPECT_THROW(rep.Preview(printer, prompts), std::logic_error);
    EXPECT_TRUE(drawn);
}

} // namespace
