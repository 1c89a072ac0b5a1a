#include "window/PageBlocks.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

#include <algorithm>

namespace page {

QFrame* Cadre(QWidget* parent) {
    auto* cadre = new QFrame(parent);
    cadre->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    return cadre;
}

QLabel* Legende(QWidget* parent, const char* text, Qt::Alignment alignement) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setAlignment(alignement | Qt::AlignVCenter);
    return label;
}

QLabel* Entete(QWidget* parent, const char* text) {
    auto* label = Legende(parent, text, Qt::AlignCenter);
    label->setStyleSheet("font-weight: bold;");
    return label;
}

QLabel* Etiquette(QWidget* parent, const char* text, const char* hint) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    if (hint != nullptr) {
        label->setToolTip(QString::fromUtf8(hint));
        label->setStatusTip(QString::fromUtf8(hint));
    }
    return label;
}

QTreeWidget* Liste(QWidget* parent, const char* name, const QStringList& captions) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setColumnCount(static_cast<int>(captions.size()));
    list->setHeaderLabels(captions);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->header()->setSectionsClickable(true);
    list->header()->setStretchLastSection(false);
    list->header()->setDefaultAlignment(Qt::AlignCenter);
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, kFondListes);
    list->setPalette(palette);
    list->setProperty("Tag", 0);
    return list;
}

namespace {

// A figure cut at the left reads as another figure: a read-out is never narrower than its
// text, and the page scrolls when the window has no room for it.
class LabelAfficheur final : public QLabel {
public:
    LabelAfficheur(QWidget* parent, int largeur) : QLabel(parent), largeur_(largeur) {}

    QSize minimumSizeHint() const override { return AuMoins(QLabel::minimumSizeHint()); }
    QSize sizeHint() const override { return AuMoins(QLabel::sizeHint()); }

private:
    QSize AuMoins(QSize taille) const {
        taille.setWidth(std::max(taille.width(), largeur_));
        return taille;
    }

    const int largeur_;
};

} // namespace

QLabel* Afficheur(QWidget* parent, const char* name, int largeur) {
    auto* label = new LabelAfficheur(parent, largeur);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

void AfficheSigne(QLabel* label, const QString& texte, bool negatif) {
    label->setText(texte);
    label->setStyleSheet(negatif ? "color: rgb(255, 0, 0);" : "color: rgb(0, 0, 0);");
}

} // namespace page
