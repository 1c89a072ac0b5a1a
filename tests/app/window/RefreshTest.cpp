// The quote refresh, through the window's commands and alone, against a local HTTP proxy that
// serves the quote-page library's own test pages for each site's URLs: what a walk copies,
// computes, writes and skips, how it stops, and what it refuses while a request waits.

#include "../AppTestSupport.h"

#include "../../OtherUser.h"

#include "platform/DateText.h"
#include "platform/DateTime.h"
#include "platform/Settings.h"
#include "portfolio/Cv.h"
#include "quotescan/AskWeb.h"
#include "support/Builders.h"
#include "window/QuoteRefresh.h"
#include "window/RefreshPanel.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace {

using namespace build;

std::string TestPage(const std::string& name) {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/quotescan/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

template <typename Predicate> bool WaitFor(Predicate done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// An HTTP proxy on 127.0.0.1: each request names the whole URL; the first rule whose fragment
// the URL holds decides the answer, and an URL that no rule names gets a 404.
class Proxy : public QObject {
public:
    static constexpr int kLateMs = 300;
    static constexpr qint64 kEndlessBytes = 48 << 20; // past any limit of a quote page
    // Late: the page after kLateMs. Endless: letters until the client leaves or kEndlessBytes
    // are sent, announced with the body as their length when it is not empty.
    enum class Kind { Page, Abort, Silent, Late, Endless };
    struct Rule {
        std::string fragment;
        Kind kind = Kind::Page;
        std::string body;
    };

    Proxy() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
            }
        });
    }
    quint16 Port() const { return server_.serverPort(); }
    void Serve(const std::string& fragment, const std::string& page) {
        rules.push_back({fragment, Kind::Page, TestPage(page)});
    }
    int Count(const std::string& fragment) const {
        int n = 0;
        for (const std::string& url : requests)
            n += url.find(fragment) != std::string::npos ? 1 : 0;
        return n;
    }

    std::vector<Rule> rules;
    std::vector<std::string> requests;
    std::function<void(const std::string&)> onRequest; // runs while the walk waits
    std::function<void()> betweenHalves;               // runs between two halves of a page

private:
    void Read(QTcpSocket* socket) {
        std::string& text = pending_[socket];
        text += socket->readAll().toStdString();
        const std::size_t end = text.find("\r\n\r\n");
        if (end == std::string::npos)
            return;
        const std::size_t a = text.find(' ');
        const std::string url = text.substr(a + 1, text.find(' ', a + 1) - a - 1);
        text.clear();
        requests.push_back(url);
        if (onRequest)
            onRequest(url);
        const Rule* rule = nullptr;
        for (const Rule& r : rules)
            if (url.find(r.fragment) != std::string::npos) {
                rule = &r;
                break;
            }
        if (rule != nullptr && rule->kind == Kind::Silent)
            return;
        if (rule != nullptr && rule->kind == Kind::Abort) {
            socket->abort();
            return;
        }
        if (rule != nullptr && rule->kind == Kind::Endless) {
            Stream(socket, rule->body);
            return;
        }
        if (rule != nullptr && rule->kind == Kind::Late) {
            QTimer::singleShot(kLateMs, socket,
                               [this, socket, copie = *rule] { Answer(socket, &copie); });
            return;
        }
        Answer(socket, rule);
    }

    void Answer(QTcpSocket* socket, const Rule* rule) {
        const std::string body = rule != nullptr ? rule->body : "absent";
        const std::string head =
            std::string(rule != nullptr ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") +
            "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n";
        const std::size_t half = betweenHalves ? body.size() / 2 : body.size();
        socket->write((head + body.substr(0, half)).c_str());
        socket->flush();
        if (betweenHalves) {
            betweenHalves();
            socket->write(body.substr(half).c_str());
        }
        socket->disconnectFromHost();
    }

    static void Stream(QTcpSocket* socket, const std::string& announced) {
        const std::string head =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n" +
            (announced.empty() ? std::string() : "Content-Length: " + announced + "\r\n") +
            "Connection: close\r\n\r\n";
        socket->write(head.data(), static_cast<qint64>(head.size()));
        const auto sent = std::make_shared<qint64>(0);
        const auto more = [socket, sent] {
            const QByteArray chunk(1 << 20, 'x');
            while (socket->bytesToWrite() < chunk.size() && *sent < kEndlessBytes) {
                socket->write(chunk);
                *sent += chunk.size();
            }
            if (*sent >= kEndlessBytes)
                socket->disconnectFromHost();
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    }

    QTcpServer server_;
    std::map<QTcpSocket*, std::string> pending_;
};

constexpr const char* kQuote1 = "cours_30mn.asp?VALEUR=";
constexpr const char* kIntra1 = "requete_intraday.asp?VALEUR=";
constexpr const char* kHisto1 = "requete_historique.asp?DATE=1&VALEUR=";
// The history file that the first site's test page leaves for a security that had none.
const std::vector<std::string> kSite1History = {"01/01/1970", "15/03/2001;4510;0;0;0;",
                                                "16/03/2001;4490;0;0;0;", "19/03/2001;4600;0;0;0;"};

// The settings of a refresh through the local proxy, and the files and records the walks are
// given; the fixtures below run the walk through the window's commands or alone.
class RefreshFixture : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WithKey([&](platform::SettingsStore& s) {
            s.WriteString("INSTALL", dataDir_);
            s.WriteInteger("HTTP", 1);
            s.WriteInteger("MAJTYPE", 2);
            s.WriteInteger("PROXY", 1);
            s.WriteString("PROXYNAME", "127.0.0.1");
            s.WriteInteger("PROXYPORT", proxy.Port());
        });
        SetToday(2026, 3, 11); // a Wednesday
    }
    static void SetToday(int year, int month, int day) {
        platform::Clock::SetFixed(platform::EncodeDate(year, month, day) + 10.0 / 24);
    }
    Valeurs* Add(const std::string& code, bool suivi = true) {
        return AddSecurity(*doc, code, "Titre " + code, {.suivi = suivi});
    }
    void ServeSite1(const std::string& code) {
        proxy.Serve(kQuote1 + code, "site1_quote.html");
        proxy.Serve(kIntra1 + code, "site1_intraday.html");
        proxy.Serve(kHisto1 + code, "site1_history.html");
    }
    std::string DataFile(const std::string& name) const { return dataDir_ + "/" + name; }
    // A history file the user already has: the start line, then one row.
    void WriteHistory(const std::string& code, const std::string& row) const {
        std::filesystem::create_directories(DataFile("historique"));
        std::ofstream(DataFile("historique/" + code + ".his")) << "01/01/1970\n" << row << "\n";
    }
    // An active alarm that fires when the quote is above the threshold, in cents.
    static void AlarmAbove(Valeurs* titre, std::int32_t seuil) {
        titre->Alarmes.push_back(std::make_unique<SDetAlarme>(
            SDetAlarme{true, false, "", platform::EncodeDate(2030, 1, 1), {0, 0}, {1, seuil}, 0}));
    }

    Proxy proxy;
    TCorv* doc = nullptr;
};

class RefreshTest : public RefreshFixture {
protected:
    void SetUp() override {
        RefreshFixture::SetUp();
        form = Start();
        doc = form->Portefeuille();
        status = form->findChild<QLabel*>("StatusPanel2");
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }
    // Runs a refresh command as the user would, on a document not yet modified.
    void Refresh(const char* action) {
        doc->Modifie = false;
        form->Action(action)->trigger();
    }
    void SelectNode(const char* libelle) {
        form->BuildTree();
        auto* arbre = form->findChild<QTreeWidget*>("LT1");
        const auto items = arbre->findItems(libelle, Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1) << libelle;
        arbre->setCurrentItem(items[0]);
    }
    // The walk ended as every walk must, whatever stopped it.
    void ExpectFinalSteps() const {
        EXPECT_FALSE(form->Refreshing());
        EXPECT_EQ(form->Refresh().Progress(), 0);
        EXPECT_TRUE(status->text().isEmpty());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(doc->Modifie);
    }

    std::unique_ptr<TMainForm> form;
    QLabel* status = nullptr;
};

// The refresh alone, on a document and settings of its own.
class QuoteRefreshTest : public RefreshFixture {
protected:
    void SetUp() override {
        RefreshFixture::SetUp();
        doc = &document;
        settings.proxy = "127.0.0.1";
        settings.proxyPort = proxy.Port();
        refresh = std::make_unique<QuoteRefresh>([this] { return &document; });
        refresh->SetSettings([this] { return settings; });
    }
    void TearDown() override {
        refresh.reset();
        AppTest::TearDown();
    }

    TCorv document{dataDir_};
    QuoteRefreshSettings settings; // the quote site 1, up to the history
    std::unique_ptr<QuoteRefresh> refresh;
};

TEST_F(RefreshTest, FullWalkCopiesQuotesWritesIntradayAndHistory) {
    Valeurs* a = Add("111111");
    AddTrade(a, platform::EncodeDate(2026, 1, 5), 'A', 10, 4000);
    Add("222222");
    Valeurs* c = Add("333333", false);
    ServeSite1("111111");
    proxy.rules.push_back({std::string(kQuote1) + "222222", Proxy::Kind::Page,
                           Replaced(TestPage("site1_quote.html"), ">45,30<", ">50,00<")});
    proxy.Serve(kIntra1 + std::string("222222"), "site1_intraday.html");
    proxy.Serve(kHisto1 + std::string("222222"), "site1_history.html");
    // A history the user already has keeps its days; the table is in euros whatever is shown.
    WriteHistory("222222", "01/03/2001;4000;4100;3900;7;");
    doc->Facteur = 6.55957f;
    std::vector<int> progress;
    proxy.onRequest = [&](const std::string&) { progress.push_back(form->Refresh().Progress()); };

    Refresh("MajComp");

    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(proxy.requests.size(), 6u);
    EXPECT_EQ(proxy.Count("333333"), 0);
    // Three securities: 99 / 9 = 11 per kind.
    EXPECT_EQ(progress, (std::vector<int>{11, 22, 33, 44, 55, 66}));
    EXPECT_EQ(a->Infos.Cours, 4530);
    EXPECT_EQ(a->Infos.Haut, 4600);
    EXPECT_EQ(a->Infos.Volume, 1250000);
    EXPECT_EQ(a->Bilan.ValorBrut, 45300);
    EXPECT_EQ(doc->FindTitre("222222")->Infos.Cours, 5000);
    EXPECT_EQ(c->Infos.Cours, 0);
    // The library reads the program's clock: the date line is the fixed day.
    EXPECT_EQ(Lines(DataFile("intraday/111111.itd")),
              (std::vector<std::string>{platform::DateToStr(platform::Date()), "4510 930",
                                        "4525 1200", "4530 1735"}));
    EXPECT_EQ(Lines(DataFile("historique/111111.his")), kSite1History);
    const std::vector<std::string> b = Lines(DataFile("historique/222222.his"));
    ASSERT_EQ(b.size(), 5u);
    EXPECT_NE(std::find(b.begin(), b.end(), "01/03/2001;4000;4100;3900;7;"), b.end());
    EXPECT_NE(std::find(b.begin(), b.end(), "19/03/2001;4600;0;0;0;"), b.end());
    EXPECT_FALSE(doc->AlarmeNouvelle);
    EXPECT_FALSE(form->AlarmTimer()->isActive());
    ExpectFinalSteps();
}

TEST_F(RefreshTest, RequestStatusTextsShowTheCodeAndTheBytes) {
    Add("012345");
    proxy.Serve(kQuote1 + std::string("012345"), "site1_quote.html");
    QString connecte, paquet, analyse;
    proxy.onRequest = [&](const std::string&) {
        WaitFor([&] { return status->text().contains(QString("connecté")); });
        connecte = status->text();
    };
    proxy.betweenHalves = [&] {
        WaitFor([&] { return status->text().contains(QString("octets reçus")); });
        paquet = status->text();
    };
    Refresh("RafCmpCours");
    EXPECT_EQ(connecte, QString("Valeur: 12345 connecté..."));
    EXPECT_TRUE(paquet.startsWith("Valeur: 12345 - ")) << paquet.toStdString();
    EXPECT_TRUE(paquet.endsWith(QString(" octets reçus"))) << paquet.toStdString();
    EXPECT_EQ(doc->FindTitre("012345")->Infos.Cours, 4530);
    ExpectFinalSteps();
}

TEST_F(RefreshTest, FailuresStopTheWalkAndTheFinalStepsStillRun) {
    Add("111111");
    Add("222222");
    Add("333333");
    ServeSite1("111111");
    proxy.rules.push_back({std::string(kQuote1) + "222222", Proxy::Kind::Abort, {}});
    ServeSite1("333333");
    Refresh("RafCmpCours");
    EXPECT_EQ(doc->FindTitre("111111")->Infos.Cours, 4530);
    EXPECT_EQ(doc->FindTitre("222222")->Infos.Cours, 0);
    EXPECT_EQ(proxy.Count("333333"), 0);
    EXPECT_TRUE(prompts.messages.empty());
    ExpectFinalSteps();

    // A server that never answers: the time-out ends the request.
    proxy.requests.clear();
    proxy.rules.insert(proxy.rules.begin(),
                       Proxy::Rule{std::string(kQuote1) + "111111", Proxy::Kind::Silent, {}});
    doc->FindTitre("111111")->Infos.Cours = 0;
    form->Refresh().SetSettings([&] {
        QuoteRefreshSettings reglages = form->RefreshSettings();
        reglages.delaiHttp = 300;
        return reglages;
    });
    Refresh("RafCmpCours");
    EXPECT_EQ(proxy.requests.size(), 1u);
    EXPECT_EQ(doc->FindTitre("111111")->Infos.Cours, 0);
    ExpectFinalSteps();

    // Nobody listens on the proxy's port any more.
    quint16 ferme = 0;
    {
        QTcpServer libere;
        ASSERT_TRUE(libere.listen(QHostAddress::LocalHost, 0));
        ferme = libere.serverPort();
    }
    proxy.requests.clear();
    form->Settings().Values().ProxyPort = ferme;
    EXPECT_TRUE(prompts.messages.empty());
    // The whole portfolio, then the selected security (Ctrl+N): each says once, after the
    // walk, that the proxy could not be reached.
    SelectNode("Titre 333333");
    for (const char* commande : {"RafCmpCours", "RafVal"}) {
        prompts.messages.clear();
        Refresh(commande);
        EXPECT_TRUE(proxy.requests.empty());
        ASSERT_EQ(prompts.messages.size(), 1u) << commande;
        EXPECT_EQ(prompts.messages[0].title, "Corvane");
        EXPECT_TRUE(prompts.messages[0].text.contains("127.0.0.1:" + QString::number(ferme)))
            << prompts.messages[0].text.toStdString();
        ExpectFinalSteps();
    }
    prompts.messages.clear();

    // A page that the library cannot read also stops the walk.
    form->Settings().Values().ProxyPort = proxy.Port();
    proxy.rules = {Proxy::Rule{kQuote1, Proxy::Kind::Page, TestPage("site1_quote_cut.html")}};
    Refresh("RafCmpCours");
    EXPECT_EQ(proxy.requests.size(), 1u);
    ExpectFinalSteps();
}

TEST_F(RefreshTest, AnAnswerPastTheLimitIsAFailedRequestThatSaysWhy) {
    Add("111111");
    Add("222222");
    ServeSite1("222222");
    // An endless answer, announced as such or not.
    for (const std::string annonce : {"1000000000", ""}) {
        proxy.rules.insert(proxy.rules.begin(), Proxy::Rule{std::string(kQuote1) + "111111",
                                                            Proxy::Kind::Endless, annonce});
        prompts.messages.clear();
        proxy.requests.clear();
        Refresh("RafCmpCours");
        EXPECT_EQ(proxy.requests.size(), 1u) << annonce;
        EXPECT_EQ(doc->FindTitre("111111")->Infos.Cours, 0);
        ASSERT_EQ(prompts.messages.size(), 1u) << annonce;
        const QString texte = prompts.messages[0].text;
        EXPECT_TRUE(texte.contains("Titre 111111") && texte.contains("32 Mo"))
            << texte.toStdString();
        ExpectFinalSteps();
    }
}

TEST_F(RefreshTest, ATimedRefreshTellsItsFailuresWithoutWaitingForTheUser) {
    Add("111111");
    quint16 ferme = 0;
    {
        QTcpServer libere;
        ASSERT_TRUE(libere.listen(QHostAddress::LocalHost, 0));
        ferme = libere.serverPort();
    }
    struct Cas {
        const char* nom;
        std::function<void(ProgramSettings&)> reglages;
        const char* page;
        bool nommeLaPage; // the message names the security and the site of the page
    };
    const Cas cas[] = {
        {"connexion refusée", [&](auto& s) { s.ProxyPort = ferme; }, nullptr, false},
        {"date illisible", [](auto& s) { s.Http = 2; }, "site2_quote_baddate.html", true},
        {"page coupée", [](auto&) {}, "site1_quote_cut.html", true},
    };
    for (const Cas& c : cas) {
        ProgramSettings& s = form->Settings().Values();
        s.Http = 1;
        s.ProxyPort = proxy.Port();
        c.reglages(s);
        proxy.rules.clear();
        if (c.page != nullptr)
            proxy.rules.push_back({"VALEUR=111111", Proxy::Kind::Page, TestPage(c.page)});
        proxy.requests.clear();
        prompts.messages.clear();
        form->Timer1Timer();
        ASSERT_EQ(prompts.messages.size(), 1u) << c.nom;
        const ShownMessage& message = prompts.messages[0];
        EXPECT_FALSE(message.modal) << c.nom; // the next tick comes at its time
        if (!c.nommeLaPage) {
            EXPECT_TRUE(message.text.contains("127.0.0.1:" + QString::number(ferme)));
            continue;
        }
        ASSERT_EQ(proxy.requests.size(), 1u) << c.nom;
        const QString site = QUrl(QString::fromStdString(proxy.requests[0])).host();
        EXPECT_TRUE(message.text.contains("« Titre 111111 » (111111)") &&
                    message.text.contains("« " + site + " »"))
            << c.nom << " : " << message.text.toStdString();
    }
}

TEST_F(RefreshTest, AQuoteTheDocumentCannotHoldIsNotTakenAndTheWalkGoesOn) {
    // 1 000 000 shares at 10,00 hold; at the page's 45,30 they would be worth more than the
    // document's figures can say.
    Valeurs* a = Add("111111");
    AddTrade(a, platform::EncodeDate(2026, 1, 5), 'A', 1000000, 1000);
    a->Infos.Cours = 1000;
    Add("222222");
    ServeSite1("111111");
    ServeSite1("222222");
    Refresh("RafCmpCours");
    EXPECT_EQ(a->Infos.Cours, 1000);
    EXPECT_EQ(a->Bilan.ValorBrut, 1000000000);
    EXPECT_EQ(doc->FindTitre("222222")->Infos.Cours, 4530);
    ASSERT_EQ(prompts.messages.size(), 1u);
    const QString texte = prompts.messages[0].text;
    EXPECT_TRUE(texte.contains("« Titre 111111 » (111111)") && texte.contains("cours"))
        << texte.toStdString();
    ExpectFinalSteps();
}

TEST_F(RefreshTest, ConversionErrorsEndTheWalkAndAreShown) {
    form->Settings().Values().Http = 2;
    Add("111111");
    Add("222222");
    proxy.Serve("cours.asp?VALEUR=111111", "site2_quote_baddate.html");
    proxy.Serve("cours.asp?VALEUR=222222", "site2_quote.html");
    Refresh("RafCmpCours");
    EXPECT_EQ(proxy.Count("222222"), 0);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Corvane");
    ExpectFinalSteps();
}

TEST_F(RefreshTest, EveryProblemOfTheWalkIsToldOnceAfterIt) {
    // The first security's history cannot be written; the second ends the walk with an error.
    Add("111111");
    Add("ABC");
    ServeSite1("111111");
    std::ofstream(DataFile("historique")) << "un fichier, pas un dossier";
    bool pendant = true;
    QCursor* curseur = nullptr;
    prompts.onMessage = [&](const ShownMessage&) {
        pendant = form->Refreshing();
        curseur = QApplication::overrideCursor();
    };
    Refresh("RafCmpHisto");
    EXPECT_EQ(proxy.Count(kHisto1), 1);
    EXPECT_EQ(proxy.Count("ABC"), 0) << "a code that is not a number fails before its request";
    ASSERT_EQ(prompts.messages.size(), 1u);
    const ShownMessage& message = prompts.messages[0];
    EXPECT_EQ(message.title, "Corvane");
    EXPECT_EQ(message.icon, QMessageBox::Critical);
    EXPECT_EQ(message.text, QString("Impossible d'enregistrer l'historique :\n") +
                                QString::fromStdString(DataFile("historique/111111.his")) +
                                QString("\n\n'ABC' n'est pas une valeur entière "
                                        "correcte"));
    EXPECT_FALSE(pendant);
    EXPECT_EQ(curseur, nullptr);
    ExpectFinalSteps();

    // Alone, the history that could not be saved is a warning.
    doc->RemoveTitre(doc->FindTitre("ABC"));
    prompts.messages.clear();
    Refresh("RafCmpHisto");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(prompts.messages[0].text.endsWith(
        QString::fromStdString(DataFile("historique/111111.his"))));
    ExpectFinalSteps();
}

TEST_F(RefreshTest, SiteTwoSendsItsOwnIdentifierForTheLaterKinds) {
    form->Settings().Values().Http = 2;
    Add("777777");
    proxy.Serve("cours.asp?VALEUR=777777", "site2_quote.html");
    proxy.Serve("intraday.asp?VALEUR=12345", "site2_intraday.html");
    proxy.Serve("historic.asp?VALEUR=12345", "site2_history.html");
    Refresh("RafCmpHisto");
    EXPECT_EQ(proxy.requests.size(), 3u);
    EXPECT_EQ(proxy.Count("VALEUR=12345"), 2);
    EXPECT_EQ(Lines(DataFile("intraday/777777.itd")).size(), 4u);
    EXPECT_EQ(Lines(DataFile("historique/777777.his")).size(), 5u);
    ExpectFinalSteps();

    // A site that serves quotes only skips the other kinds and goes on.
    form->Settings().Values().Http = 0;
    Add("888888");
    proxy.requests.clear();
    proxy.Serve("quote?s=", "site0_quote.html");
    Refresh("RafCmpHisto");
    EXPECT_EQ(proxy.requests.size(), 2u);
    EXPECT_EQ(proxy.Count("quote?s="), 2);
}

TEST_F(QuoteRefreshTest, HistoryIsSkippedWhenRecentEnough) {
    Add("111111");
    ServeSite1("111111");
    // Friday 13/03/2026: complete on the Sunday after, not on the Monday.
    WriteHistory("111111", "13/03/2026;4400;4500;4300;9;");
    SetToday(2026, 3, 15);
    refresh->Misejourcomplte1Click();
    EXPECT_EQ(proxy.Count(kHisto1), 0);
    EXPECT_EQ(proxy.Count(kIntra1), 1);

    SetToday(2026, 3, 16);
    refresh->Misejourcomplte1Click();
    EXPECT_EQ(proxy.Count(kHisto1), 1);
    EXPECT_EQ(Lines(DataFile("historique/111111.his")).size(), 5u);
}

TEST_F(QuoteRefreshTest, AlarmsAreCheckedOnlyWhenThePriceMoves) {
    // The flash is the window's: it shows on a panel of its own.
    QWidget window;
    RefreshPanel panel({.window = &window,
                        .statusLine = &window,
                        .progressPanel = new QProgressBar(&window),
                        .requestPanel = new QLabel(&window),
                        .viewLogs = new QAction(&window)},
                       [this] { return &document; });
    panel.Follow(*refresh);
    doc->Fichier = Path("port.cvx");
    Valeurs* a = Add("111111");
    AlarmAbove(a, 4000);
    ServeSite1("111111");

    a->Infos.Cours = 4530; // the page's price
    refresh->UpdateCours(nullptr, false, AskKind::Quote);
    EXPECT_FALSE(std::filesystem::exists(Path("port.cvl")));
    EXPECT_FALSE(doc->AlarmeNouvelle);
    EXPECT_FALSE(panel.AlarmTimer()->isActive());

    a->Infos.Cours = 3900;
    refresh->UpdateCours(nullptr, false, AskKind::Quote);
    EXPECT_EQ(Lines(Path("port.cvl")).size(), 1u);
    EXPECT_TRUE(doc->AlarmeNouvelle);
    EXPECT_TRUE(panel.AlarmTimer()->isActive());

    // The alarm-log command flashes until the log has been read.
    panel.TimeLogsTimer();
    EXPECT_EQ(panel.ViewLogsImage(), 22);
    panel.TimeLogsTimer();
    EXPECT_EQ(panel.ViewLogsImage(), 21);
    panel.TimeLogsTimer();
    doc->AlarmeNouvelle = false;
    panel.TimeLogsTimer();
    EXPECT_EQ(panel.ViewLogsImage(), 21);
    EXPECT_FALSE(panel.AlarmTimer()->isActive());
}

TEST_F(RefreshTest, AlarmsTheLogDoesNotTakeAreToldOnceAndDoNotFlash) {
    doc->Fichier = Path("port.cvx");
    std::filesystem::create_directories(Path("port.cvl")); // a folder where the log would be
    const std::vector<std::string> codes = {"111111", "222222", "333333"};
    for (const std::string& code : codes) {
        Valeurs* t = Add(code);
        AlarmAbove(t, 4000); // both below the page's 45,30
        AlarmAbove(t, 4100);
        ServeSite1(code);
    }
    const auto priceMoves = [&] {
        for (const std::string& code : codes)
            doc->FindTitre(code)->Infos.Cours = 3900;
    };

    priceMoves();
    Refresh("RafCmpCours");
    ASSERT_EQ(prompts.messages.size(), 1u);
    const QString texte = prompts.messages[0].text;
    for (const std::string& code : codes) // one line per alarm, each with code and label
        EXPECT_EQ(texte.count(QString::fromStdString("Titre " + code)), 2) << code;
    EXPECT_TRUE(texte.contains(QString::fromStdString(Path("port.cvl"))));
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(doc->FindTitre("333333")->Infos.Cours, 4530); // the quotes are taken all the same
    EXPECT_FALSE(doc->AlarmeNouvelle);
    EXPECT_FALSE(form->AlarmTimer()->isActive());
    ExpectFinalSteps();

    // The log takes them again: the window flashes and nothing is said.
    prompts.messages.clear();
    std::filesystem::remove(Path("port.cvl"));
    priceMoves();
    Refresh("RafCmpCours");
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(Lines(Path("port.cvl")).size(), 6u);
    EXPECT_TRUE(doc->AlarmeNouvelle);
    EXPECT_TRUE(form->AlarmTimer()->isActive());
}

TEST_F(RefreshTest, AlarmsWithoutALogAreToldEvenWhenTheWalkFails) {
    // Never saved: no log. The second security's code cannot be a request's tag, which ends
    // the walk with an error after the first one's alarm fired.
    ASSERT_TRUE(doc->Fichier.empty());
    AlarmAbove(Add("111111"), 4000);
    Add("X22222");
    ServeSite1("111111");
    ServeSite1("X22222");

    Refresh("RafCmpCours");
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
    const QString texte = prompts.messages[0].text;
    EXPECT_TRUE(texte.contains("111111"));
    EXPECT_TRUE(texte.contains(QString("Le cours du titre est supérieur  à 40,00")));
    EXPECT_EQ(prompts.messages[1].icon, QMessageBox::Critical); // the walk's own error
    EXPECT_FALSE(doc->AlarmeNouvelle);
    EXPECT_FALSE(form->AlarmTimer()->isActive());
    ExpectFinalSteps();
}

TEST_F(RefreshTest, NothingIsRefusedOrFreedUnderAWaitingWalk) {
    Add("111111");
    Add("222222");
    Add("333333");
    ServeSite1("111111");
    ServeSite1("333333");
    bool fermee = true;
    proxy.onRequest = [&](const std::string& url) {
        if (url.find("111111") == std::string::npos)
            return;
        form->Misejourcomplte1Click(); // a second walk
        form->Refresh().Timer1Timer();
        fermee = form->close();
        doc->RemoveTitre(doc->FindTitre("222222"));
    };
    Refresh("RafCmpCours");
    EXPECT_FALSE(fermee);
    EXPECT_EQ(proxy.requests.size(), 2u); // 111111 and 333333, once each
    EXPECT_EQ(doc->FindTitre("333333")->Infos.Cours, 4530);
    ExpectFinalSteps();
    // The close that was refused comes back once the walk is over.
    prompts.answers = {QMessageBox::No};
    EXPECT_TRUE(WaitFor([&] { return form->Portefeuille() == nullptr; }));
}

TEST_F(RefreshTest, TheWindowAnswersTheUserDuringAWalk) {
    Add("111111");
    Add("222222");
    ServeSite1("111111");
    ServeSite1("222222");
    // The history of 111111 comes late, time for the user to act; that of 222222 is complete.
    proxy.rules.insert(proxy.rules.begin(), {std::string(kHisto1) + "111111", Proxy::Kind::Late,
                                             TestPage("site1_history.html")});
    const std::vector<std::string> histoB{"01/01/1970", "10/03/2026;4400;4500;4300;9;"};
    WriteHistory("222222", histoB[1]);

    form->show();
    QApplication::setActiveWindow(form.get());
    form->BuildTree();
    auto* arbre = form->findChild<QTreeWidget*>("LT1");
    const auto noeud = [&](const char* libelle) {
        const auto items = arbre->findItems(libelle, Qt::MatchRecursive);
        return items.size() == 1 ? items[0] : nullptr;
    };
    ASSERT_NE(noeud("Titre 111111"), nullptr);
    arbre->setCurrentItem(noeud("Titre 111111"));
    arbre->setFocus();
    QApplication::processEvents();

    const auto curseur = [&](const char* action) {
        const QWidget* bouton = nullptr;
        for (QObject* objet : form->Action(action)->associatedObjects())
            if (auto* widget = qobject_cast<QAbstractButton*>(objet))
                bouton = widget;
        return bouton != nullptr && bouton->testAttribute(Qt::WA_SetCursor)
                   ? bouton->cursor().shape()
                   : Qt::ArrowCursor;
    };
    bool choisiPendant = false;
    QObject::connect(arbre, &QTreeWidget::currentItemChanged, form.get(),
                     [&] { choisiPendant = choisiPendant || form->Refreshing(); });
    Qt::CursorShape ajout = Qt::ArrowCursor, aide = Qt::WaitCursor;
    QCursor* global = nullptr;
    TCorv* pendant = nullptr;
    QString refus, refusSuppr, refusLong;
    proxy.onRequest = [&](const std::string& url) {
        if (url.find(kQuote1) != std::string::npos && url.find("111111") != std::string::npos) {
            ajout = curseur("AddVal");
            aide = curseur("HelpAbout");
            global = QApplication::overrideCursor();
            // What replaces or changes the document waits for the end of the walk.
            doc->Modifie = false;
            form->ShowHint(QString());
            form->Action("FileNew")->trigger();
            refus = form->CurrentHint(); // the status line says why nothing happened
            form->Action("Importationdhistoriques1")->trigger();
            refusLong = form->CurrentHint();
            // The Delete key of the tree is refused in the same way as the menu entries.
            form->ShowHint(QString());
            QKeyEvent suppr(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
            QApplication::sendEvent(arbre, &suppr);
            refusSuppr = form->CurrentHint();
            form->Action("AddCash")->trigger();
            pendant = form->Portefeuille();
            // Views and a dialog that only read the records run at once.
            form->findChild<QTabWidget*>("PageCtl1")->setCurrentIndex(2);
            form->Action("ViewLogs")->trigger();
        }
        if (url.find(kHisto1) != std::string::npos) {
            // The user goes down the tree with the keyboard, as the desktop delivers keys:
            // queued, for the running event loop to dispatch.
            QWindow* fenetre = form->windowHandle();
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                fenetre, QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                fenetre, QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
        }
    };
    Refresh("RafCmpHisto");

    EXPECT_TRUE(choisiPendant);
    EXPECT_EQ(arbre->currentItem(), noeud("Titre 222222"));
    EXPECT_EQ(ajout, Qt::WaitCursor);
    EXPECT_EQ(aide, Qt::ArrowCursor);
    EXPECT_EQ(global, nullptr);
    EXPECT_EQ(curseur("AddVal"), Qt::ArrowCursor);
    EXPECT_EQ(pendant, doc);
    EXPECT_TRUE(refus.contains("Nouveau")) << refus.toStdString();
    EXPECT_FALSE(refusSuppr.isEmpty());
    // A refusal naming a long command is read whole in the window's default size.
    ASSERT_TRUE(refusLong.contains("Importation")) << refusLong.toStdString();
    form->ShowHint(refusLong);
    QApplication::processEvents();
    const auto* panneau = form->findChild<QLabel*>("StatusPanel0");
    EXPECT_GE(panneau->contentsRect().width(), panneau->fontMetrics().horizontalAdvance(refusLong));
    EXPECT_EQ(form->Portefeuille(), doc);
    EXPECT_TRUE(doc->Mouvements.empty());
    EXPECT_EQ(prompts.dialogs, 1); // the alarm log
    EXPECT_TRUE(prompts.messages.empty());
    // The security shown during the request took the history table; the walked one's days
    // still went into its own file, and the other file is as it was.
    EXPECT_EQ(Lines(DataFile("historique/111111.his")), kSite1History);
    EXPECT_EQ(Lines(DataFile("historique/222222.his")), histoB);
    EXPECT_EQ(proxy.Count("222222"), 2); // quote and intraday; its history is complete
    ExpectFinalSteps();
}

TEST_F(QuoteRefreshTest, TimedRefreshWaitsForAModalDialog) {
    Add("111111");
    ServeSite1("111111");
    QDialog dialogue;
    dialogue.setModal(true);
    dialogue.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialogue);
    refresh->Timer1Timer();
    EXPECT_TRUE(proxy.requests.empty());
    dialogue.hide();
    EXPECT_TRUE(WaitFor([&] { return proxy.requests.size() == 3u; }));
    EXPECT_EQ(doc->FindTitre("111111")->Infos.Cours, 4530);
}

TEST_F(RefreshTest, AHistoryFileThatCannotBeReadIsNeitherFetchedNorReplaced) {
    Add("111111");
    ServeSite1("111111");
    // A folder where the file should be.
    std::filesystem::create_directories(DataFile("historique/111111.his"));
    Refresh("RafCmpHisto");
    EXPECT_EQ(proxy.Count(kQuote1), 1);
    EXPECT_EQ(proxy.Count(kHisto1), 0);
    EXPECT_TRUE(std::filesystem::is_directory(DataFile("historique/111111.his")));
    EXPECT_EQ(doc->TitreHisto, nullptr);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains("111111.his"));
    ExpectFinalSteps();
}

TEST_F(RefreshTest, AHistoryTheUserMayNotReadIsNeitherFetchedNorReplaced) {
    namespace fs = std::filesystem;
    Add("111111");
    ServeSite1("111111");
    // Old enough for the walk to fetch the recent days, were the file taken for empty.
    WriteHistory("111111", "02/01/2026;4000;4100;3900;7;");
    const std::vector<std::string> before = Lines(DataFile("historique/111111.his"));
    // Everything stays open to the other user but the history file itself.
    for (const auto& entry : fs::recursive_directory_iterator(folder_.Path()))
        fs::permissions(entry.path(), entry.is_directory()
                                          ? fs::perms::all
                                          : fs::perms::owner_read | fs::perms::owner_write |
                                                fs::perms::group_read | fs::perms::others_read);
    fs::permissions(DataFile("historique/111111.his"), fs::perms::none);
    {
        const OtherUser user;
        if (!user.Active())
            GTEST_SKIP() << "no other user to read as";
        Refresh("RafCmpHisto");
    }
    fs::permissions(DataFile("historique/111111.his"),
                    fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(proxy.Count(kHisto1), 0);
    EXPECT_EQ(Lines(DataFile("historique/111111.his")), before);
    EXPECT_EQ(doc->TitreHisto, nullptr);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains(
        QString::fromStdString(DataFile("historique/111111.his"))));
    ExpectFinalSteps();
}

TEST_F(QuoteRefreshTest, CodesAndPathsThatDoNotFitAreSkipped) {
    Add("1234567890");
    Add("123456789");
    ServeSite1("123456789");
    refresh->UpdateCours(nullptr, false, AskKind::Intraday);
    EXPECT_EQ(proxy.requests.size(), 2u);
    EXPECT_EQ(proxy.Count("VALEUR=1234567890"), 0);
    EXPECT_EQ(doc->FindTitre("1234567890")->Infos.Cours, 0);

    // An intraday file whose path would not fit its field: the quote still comes.
    proxy.requests.clear();
    doc->Repertoire = Path(std::string(260, 'r'));
    refresh->UpdateCours(nullptr, false, AskKind::Intraday);
    EXPECT_EQ(proxy.requests.size(), 1u);
    EXPECT_EQ(proxy.Count(kQuote1), 1);
}

TEST_F(RefreshTest, ProgressOfEmptyLargeAndSingleWalks) {
    Refresh("MajComp"); // no security: nothing to divide by
    EXPECT_TRUE(proxy.requests.empty());
    ExpectFinalSteps();

    for (int i = 0; i < 40; ++i)
        Add(std::to_string(100000 + i), i == 5);
    ServeSite1("100005");
    std::vector<int> progress;
    std::vector<QImage> panels;
    proxy.onRequest = [&](const std::string&) {
        progress.push_back(form->Refresh().Progress());
        panels.push_back(form->findChild<QWidget*>("StatusPanel1")->grab().toImage());
    };
    const auto bleu = [&](int at, double x) {
        const QImage& image = panels.at(at);
        return image.pixelColor(static_cast<int>(image.width() * x), image.height() / 2) ==
               QColor(0, 0, 255);
    };
    Refresh("RafCmpCours");
    EXPECT_EQ(progress, (std::vector<int>{0}));
    EXPECT_FALSE(bleu(0, 0.02)); // an empty bar

    // The selected security is refreshed even when it is not followed.
    progress.clear();
    SelectNode("Titre 100007");
    ServeSite1("100007");
    Refresh("RafValCours");
    EXPECT_EQ(progress, (std::vector<int>{33}));
    EXPECT_TRUE(bleu(1, 0.02));
    EXPECT_TRUE(bleu(1, 0.30));
    EXPECT_FALSE(bleu(1, 0.36));
    EXPECT_EQ(doc->FindTitre("100007")->Infos.Cours, 4530);
}

} // namespace
