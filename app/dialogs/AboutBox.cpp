#include "dialogs/AboutBox.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

TForm3* Form3 = nullptr;

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "1.0"
#endif

namespace {

// The program's emblem: a rising price line on a square.
QPixmap Emblem() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1f, 0x3f, 0x6f), 2));
    painter.setBrush(QColor(0xe8, 0xf0, 0xfa));
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);
    painter.setPen(QPen(QColor(0x2e, 0x8b, 0x57), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF courbe[] = {{10, 48}, {22, 36}, {32, 42}, {44, 22}, {54, 14}};
    painter.drawPolyline(courbe, 5);
    return pixmap;
}

} // namespace

TForm3::TForm3(QWidget* owner) : QDialog(owner) {
    setObjectName("Form3");
    setWindowTitle("A propos de Corvane");
    setWindowFlags(Qt::Tool | Qt::MSWindowsFixedSizeDialogHint);

    auto* image = new QLabel(this);
    image->setPixmap(Emblem());
    auto* nom = new QLabel("Corvane", this);
    QFont grand = nom->font();
    grand.setPointSize(grand.pointSize() + 6);
    grand.setBold(true);
    nom->setFont(grand);
    auto* version = new QLabel(QString("Version ") + CORVANE_VERSION, this);
    version->setObjectName("Version");
    auto* texte = new QLabel(QString("Gestion d'un portefeuille boursier"), this);

    auto* details = new QVBoxLayout;
    details->addWidget(nom);
    details->addWidget(version);
    details->addWidget(texte);
    auto* haut = new QHBoxLayout;
    haut->addWidget(image);
    haut->addLayout(details);

    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(haut);
    layout->addLayout(bas);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
