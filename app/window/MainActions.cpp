// The commands of the main window: one action per command, shared by the menus, the tool
// bars, the pop-up menus and the shortcuts, each bound here to the member that runs it.

#include "window/Main.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

namespace {

// A small drawn icon for the commands that the desktop's standard icons do not cover.
QIcon GlyphIcon(const QString& glyph, const QColor& fond) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(fond.darker(140));
    painter.setBrush(fond);
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(glyph.size() > 1 ? 14 : 20);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

QIcon StandardIcon(QStyle::StandardPixmap which) {
    return QApplication::style()->standardIcon(which);
}

} // namespace

QAction* TMainForm::MakeAction(const char* name, const QString& caption, const QString& hint) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setStatusTip(hint);
    action->setToolTip(hint.isEmpty() ? QString(caption).remove('&') : hint);
    return action;
}

void TMainForm::Bind(QAction* action, void (TMainForm::*command)()) {
    connect(action, &QAction::triggered, this, [this, action, command] {
        // Quitting during a walk is put off rather than refused: the close handler says so.
        const std::vector<QAction*> enAttente = RefusedWhileRefreshing();
        if (action != FileExitAct &&
            std::find(enAttente.begin(), enAttente.end(), action) != enAttente.end() &&
            RefuseWhileRefreshing(action))
            return;
        Guard([this, command] { (this->*command)(); });
    });
}

void TMainForm::CreateActions() {
    CreateFileActions();
    CreateSecurityActions();
    CreateRefreshActions();
    CreateTradeActions();
    CreateCashActions();
    CreatePortfolioActions();
    CreateHelpActions();

    // Shortcuts work wherever the focus is in the window.
    for (QAction* action : findChildren<QAction*>())
        addAction(action);

    // The history editor and the trades report follow the tree: they are enabled while a
    // security is selected, and none is yet.
    for (QAction* action : {Histo, EditVal})
        action->setEnabled(false);
}

// The Fichiers menu and its Imprimer sub-menu.
void TMainForm::CreateFileActions() {
    FileNewAct =
        MakeAction("FileNew", QString("&Nouveau"), QString("Créer un nouveau portefeuille"));
    FileNewAct->setShortcut(QKeySequence("Ctrl+O")); // Ctrl+N refreshes the current security
    FileNewAct->setIcon(StandardIcon(QStyle::SP_FileIcon));
    Bind(FileNewAct, &TMainForm::FileNew);
    FileOpenAct =
        MakeAction("FileOpen", QString("&Ouvrir..."), QString("Ouvrir un portefeuille existant"));
    FileOpenAct->setIcon(StandardIcon(QStyle::SP_DialogOpenButton));
    Bind(FileOpenAct, &TMainForm::FileOpen);
    FileSaveAct = MakeAction("FileSave", QString("&Enregistrer"),
                             QString("Enregistrer le portefeuille en cours"));
    FileSaveAct->setShortcut(QKeySequence("Ctrl+S"));
    FileSaveAct->setIcon(StandardIcon(QStyle::SP_DialogSaveButton));
    Bind(FileSaveAct, &TMainForm::FileSave);
    FileSaveAsAct = MakeAction("FileSaveAs", QString("Enregistrer &sous..."),
                               QString("Enregistrer le fichier en cours sous un autre nom"));
    FileSaveAsAct->setIcon(GlyphIcon(QString("S…"), QColor(0x2e, 0x5c, 0x9a)));
    Bind(FileSaveAsAct, &TMainForm::FileSaveAs);
    Calculette =
        MakeAction("Calculette", QString("&Calculatrice"), QString("Accéder à la calculatrice"));
    Calculette->setIcon(GlyphIcon(QString("±"), QColor(0x55, 0x55, 0x55)));
    Bind(Calculette, &TMainForm::CalculetteExecute);
    DoParam = MakeAction("DoParam", QString("O&ptions"), QString("Paramétrer Corvane"));
    DoParam->setIcon(StandardIcon(QStyle::SP_FileDialogDetailedView));
    Bind(DoParam, &TMainForm::DoParamExecute);
    Importationdhistoriques1 =
        MakeAction("Importationdhistoriques1", QString("&Importation d'historiques"), QString());
    Bind(Importationdhistoriques1, &TMainForm::Importationdhistoriques1Click);
    Purge1 = MakeAction("Purge1", QString("&Purge"), QString("Purger les opérés pointées"));
    Bind(Purge1, &TMainForm::Purge1Click);
    ActTransfert = MakeAction("ActTransfert", QString("&Transfert du portefeuille"), QString());
    Bind(ActTransfert, &TMainForm::ActTransfertExecute);
    EdiPort = MakeAction("EdiPort", QString("&Portefeuille"),
                         QString("Edition de la synthése du portefeuille"));
    Bind(EdiPort, &TMainForm::EdiPortExecute);
    EditTitre =
        MakeAction("EditTitre", QString("&Titre"), QString("Edition de la synthése des titres"));
    Bind(EditTitre, &TMainForm::EditTitreExecute);
    EditVal = MakeAction("EditVal", QString("&Valeur"),
                         QString("Edition de la synthése de la valeur courante"));
    Bind(EditVal, &TMainForm::EditValExecute);
    FilePrintSetupAct = MakeAction("FilePrintSetup", QString("&Configuration imprimante..."),
                                   QString("Modifier la configuration imprimante"));
    Bind(FilePrintSetupAct, &TMainForm::FilePrintSetup);
    FileExitAct = MakeAction("FileExit", QString("&Quitter"), QString("Quitter cette application"));
    Bind(FileExitAct, &TMainForm::FileExit);
}

// The Valeurs menu.
void TMainForm::CreateSecurityActions() {
    AddVal = MakeAction("AddVal", QString("A&jouter"),
                        QString("Ajouter une nouvelle valeur à la liste"));
    AddVal->setShortcut(QKeySequence("Shift+F11"));
    AddVal->setIcon(GlyphIcon("+", QColor(0x2e, 0x8b, 0x57)));
    Bind(AddVal, &TMainForm::AddValExecute);
    ModifVal = MakeAction("ModifVal", QString("&Modifier"),
                          QString("Modifier les informations concernant la valeur"));
    ModifVal->setIcon(StandardIcon(QStyle::SP_FileDialogContentsView));
    Bind(ModifVal, &TMainForm::ModifValExecute);
    delval =
        MakeAction("delval", QString("&Supprimer"), QString("Supprimer la valeur selectionée"));
    delval->setIcon(StandardIcon(QStyle::SP_TrashIcon));
    Bind(delval, &TMainForm::delvalExecute);
    ActAlarme =
        MakeAction("ActAlarme", QString("&Alarmes"), QString("Gérer les alarmes pour ce titre"));
    Bind(ActAlarme, &TMainForm::ActAlarmeExecute);
    RafVal = MakeAction("RafVal", QString("&Rafraichissement"),
                        QString("Rafraichissement de la valeur courante"));
    RafVal->setShortcut(QKeySequence("Ctrl+N"));
    RafVal->setIcon(StandardIcon(QStyle::SP_BrowserReload));
    Bind(RafVal, &TMainForm::RafValExecute);
    MajComp = MakeAction("MajComp", QString("&Mise à jour complète"),
                         QString("Mise à jour de toutes les valeurs"));
    MajComp->setIcon(GlyphIcon(QString("↻"), QColor(0x1f, 0x6f, 0xb2)));
    Bind(MajComp, &TMainForm::Misejourcomplte1Click);
    Histo = MakeAction("Histo", QString("&Historiques"),
                       QString("Mise à jour manuelle des historiques"));
    Histo->setIcon(GlyphIcon("H", QColor(0x8b, 0x5a, 0x2b)));
    Bind(Histo, &TMainForm::HistoExecute);
}

// The depths of refresh that the two refresh buttons offer in their drop-down menus.
void TMainForm::CreateRefreshActions() {
    RafValCours = MakeAction("RafValCours", QString("Rafraîchir le cours"), QString());
    Bind(RafValCours, &TMainForm::RafValCoursExecute);
    RafValIntra = MakeAction("RafValIntra", QString("Rafraîchir le cours & l'intraday"), QString());
    Bind(RafValIntra, &TMainForm::RafValIntraExecute);
    RafvalHist =
        MakeAction("RafvalHist", QString("Rafraîchir cousr,intraday et historique"), QString());
    Bind(RafvalHist, &TMainForm::RafvalHistExecute);
    RafCmpCours = MakeAction("RafCmpCours", QString("Mise à jour des cours"), QString());
    Bind(RafCmpCours, &TMainForm::RafCmpCoursExecute);
    RafCmpIntra = MakeAction("RafCmpIntra", QString("Mise à jour des cours & Intraday"), QString());
    Bind(RafCmpIntra, &TMainForm::RafCmpIntraExecute);
    RafCmpHisto = MakeAction("RafCmpHisto", QString("Mise à jour des cours, Intraday, Historique"),
                             QString());
    Bind(RafCmpHisto, &TMainForm::RafCmpHistoExecute);
}

// The Opérés menu.
void TMainForm::CreateTradeActions() {
    AddOpere = MakeAction("AddOpere", QString("&Ajout"), QString("Ajouter un opéré à la liste"));
    AddOpere->setShortcut(QKeySequence("Ctrl+A"));
    Bind(AddOpere, &TMainForm::AddOpereExecute);
    UpdOp = MakeAction("UpdOp", QString("&Modifier"), QString("Mise à jour de l'opéré"));
    Bind(UpdOp, &TMainForm::UpdOpExecute);
    DelOpere = MakeAction("DelOpere", QString("&Supprimer"), QString("Supprimer l'opéré courant"));
    Bind(DelOpere, &TMainForm::DelOpereExecute);
    DPointer1 = MakeAction("DPointer1", QString("(Dé)&Pointer"), QString());
    Bind(DPointer1, &TMainForm::DPointer1Click);
}

// The Cash menu.
void TMainForm::CreateCashActions() {
    AddCash = MakeAction("AddCash", QString("&Ajouter"), QString("Ajouter un mouvement"));
    Bind(AddCash, &TMainForm::AddCashExecute);
    UpdCash =
        MakeAction("UpdCash", QString("&Modifier"), QString("Modifier le mouvement selectionné"));
    Bind(UpdCash, &TMainForm::UpdCashExecute);
    DelCash =
        MakeAction("DelCash", QString("&Supprimer"), QString("Supprimer le mouvement selectionné"));
    Bind(DelCash, &TMainForm::DelCashExecute);
}

// The Portefeuille menu.
void TMainForm::CreatePortfolioActions() {
    CtlRel =
        MakeAction("CtlRel", QString("&Contrôler "), QString("Contrôler les relevés d'opérations"));
    CtlRel->setShortcut(QKeySequence("Shift+F12"));
    CtlRel->setIcon(StandardIcon(QStyle::SP_DialogApplyButton));
    Bind(CtlRel, &TMainForm::CtlRelExecute);
    Commute = MakeAction("Commute", QString(),
                         QString("Commute l'affichage des valeurs entre Euro et monnaie choisie"));
    Commute->setCheckable(true);
    Commute->setChecked(true); // amounts are shown in euros
    Commute->setIcon(GlyphIcon(QString("€"), QColor(0xb8, 0x86, 0x0b)));
    // Commute is a toggle whose check state its command flips: it is bound with the views.
    ViewLogs = MakeAction("ViewLogs", QString("&Consultation des alarmes"),
                          QString("Consultation des alarmes"));
    ViewLogs->setShortcut(QKeySequence("F12"));
    ViewLogs->setIcon(StandardIcon(QStyle::SP_MessageBoxWarning));
    Bind(ViewLogs, &TMainForm::ViewLogsExecute);
}

// The Aide menu.
void TMainForm::CreateHelpActions() {
    HelpContentsAct = MakeAction("HelpContents", QString("&Rubriques d'aide"),
                                 QString("Afficher le sommaire de l'aide"));
    HelpContentsAct->setShortcut(QKeySequence("F1"));
    HelpContentsAct->setIcon(StandardIcon(QStyle::SP_DialogHelpButton));
    Bind(HelpContentsAct, &TMainForm::HelpContents);
    HelpAboutAct = MakeAction("HelpAbout", QString("&A propos..."),
                              QString("Afficher des informations sur le programme"));
    HelpAboutAct->setIcon(StandardIcon(QStyle::SP_MessageBoxInformation));
    Bind(HelpAboutAct, &TMainForm::HelpAbout);
}

void TMainForm::CreateMenus() {
    QMenuBar* barre = menuBar();
    barre->setObjectName("MainMenu");

    MenuFichiers = barre->addMenu(QString("&Fichiers"));
    MenuFichiers->setObjectName("MenuFichiers");
    MenuFichiers->addActions({FileNewAct, FileOpenAct, FileSaveAct, FileSaveAsAct});
    MenuFichiers->addSeparator();
    MenuFichiers->addActions({Calculette, DoParam});
    MenuFichiers->addSeparator();
    MenuFichiers->addActions({Importationdhistoriques1, Purge1, ActTransfert});
    MenuFichiers->addSeparator();
    MenuImprimer = MenuFichiers->addMenu(QString("&Imprimer"));
    MenuImprimer->setObjectName("MenuImprimer");
    MenuImprimer->addActions({EdiPort, EditTitre, EditVal});
    MenuFichiers->addAction(FilePrintSetupAct);
    MenuFichiers->addSeparator();
    MenuFichiers->addAction(FileExitAct);

    MenuTitres = barre->addMenu(QString("&Titres"));
    MenuTitres->setObjectName("MenuTitres");
    MenuValeurs = MenuTitres->addMenu(QString("&Valeurs"));
    MenuValeurs->setObjectName("MenuValeurs");
    MenuValeurs->addActions({AddVal, ModifVal, delval, ActAlarme});
    MenuValeurs->addSeparator();
    MenuValeurs->addActions({RafVal, MajComp, Histo});
    MenuOperes = MenuTitres->addMenu(QString("&Opérés"));
    MenuOperes->setObjectName("MenuOperes");
    MenuOperes->addActions({AddOpere, UpdOp, DelOpere});

    MenuCash = barre->addMenu(QString("&Cash"));
    MenuCash->setObjectName("MenuCash");
    MenuCash->addActions({AddCash, UpdCash, DelCash});

    MenuPortefeuille = barre->addMenu(QString("&Portefeuille"));
    MenuPortefeuille->setObjectName("MenuPortefeuille");
    MenuPortefeuille->addActions({CtlRel, Commute, ViewLogs});

    MenuAide = barre->addMenu(QString("A&ide"));
    MenuAide->setObjectName("MenuAide");
    MenuAide->addActions({HelpContentsAct, HelpAboutAct});

    for (QMenu* menu : findChildren<QMenu*>())
        menu->setToolTipsVisible(false);
}

void TMainForm::CreateToolBars() {
    const auto barre = [this](const char* name, const QString& title) {
        QToolBar* outils = addToolBar(title);
        outils->setObjectName(name);
        outils->setIconSize(QSize(24, 24));
        return outils;
    };
    QToolBar* fichiers = barre("ToolBarFichiers", "Fichiers");
    fichiers->addActions({FileNewAct, FileOpenAct, FileSaveAct, FileSaveAsAct});
    fichiers->addSeparator();
    fichiers->addActions({DoParam, Calculette});

    Rafraichir = new QMenu(this);
    Rafraichir->setObjectName("Rafraichir");
    Rafraichir->addActions({RafValCours, RafValIntra, RafvalHist});
    RafComp = new QMenu(this);
    RafComp->setObjectName("RafComp");
    RafComp->addActions({RafCmpCours, RafCmpIntra, RafCmpHisto});

    QToolBar* titres = barre("ToolBarTitres", "Titres");
    titres->addActions({AddVal, ModifVal, delval});
    titres->addSeparator();
    titres->addAction(RafVal);
    titres->addAction(MajComp);
    for (auto [action, menu] : {std::pair{RafVal, Rafraichir}, std::pair{MajComp, RafComp}}) {
        if (auto* bouton = qobject_cast<QToolButton*>(titres->widgetForAction(action))) {
            bouton->setMenu(menu);
            bouton->setPopupMode(QToolButton::MenuButtonPopup);
        }
    }
    titres->addAction(Histo);

    QToolBar* portefeuille = barre("ToolBarPortefeuille", "Portefeuille");
    portefeuille->addActions({CtlRel, Commute, ViewLogs});

    QToolBar* aide = barre("ToolBarAide", "Aide");
    aide->addActions({HelpContentsAct, HelpAboutAct});
}

void TMainForm::CreatePopups() {
    PopupTree = new QMenu(this);
    PopupTree->setObjectName("PopupTree");
    PopupTree->addActions({AddVal, ModifVal, delval, ActAlarme, Histo});
    connect(LT1, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupTree->popup(LT1->viewport()->mapToGlobal(at)); });

    // The trade and cash lists take these when they are built.
    PopupOperes = new QMenu(this);
    PopupOperes->setObjectName("PopupOperes");
    PopupOperes->addActions({AddOpere, UpdOp, DelOpere});
    PopupOperes->addSeparator();
    PopupOperes->addAction(DPointer1);
    PopupCash = new QMenu(this);
    PopupCash->setObjectName("PopupCash");
    PopupCash->addActions({AddCash, UpdCash, DelCash});
}
