#include "window/PageBlocks.h"

#include <QFrame>
#include <QLabel>
#include <QSize>
#include <QString>

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

} // namespace page
