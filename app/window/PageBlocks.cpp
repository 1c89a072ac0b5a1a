#include "window/PageBlocks.h"

#include <QFrame>
#include <QLabel>
#include <QString>

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

QLabel* Afficheur(QWidget* parent, const char* name, int largeur) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(largeur);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace page
