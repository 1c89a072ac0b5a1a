#pragma once

// The pieces the window's pages are made of: framed blocks, their bold headings and captions,
// and the read-outs that show a figure.

#include <QColor>
#include <QStringList>
#include <Qt>

class QFrame;
class QLabel;
class QTreeWidget;
class QWidget;

// Colours of the pages.
inline const QColor kFondListes(255, 255, 175);   // pale yellow of the tree and the lists
inline const QColor kFondVente(127, 255, 0);      // light green of sales
inline const QColor kJauneSelection(255, 255, 0); // tree: manual security, selected
inline const QColor kGrisInactif(128, 128, 128);  // securities list: not held

// Gains and losses on the sales' light green: darker shades, which stay readable on it.
inline const QColor kVertSurVente(0, 100, 0);
inline const QColor kRougeSurVente(176, 0, 0);

namespace page {

// A raised frame around one block of figures.
QFrame* Cadre(QWidget* parent);
// A caption, vertically centred in its row.
QLabel* Legende(QWidget* parent, const char* text, Qt::Alignment alignement = Qt::AlignLeft);
// The bold heading of a column or of a block.
QLabel* Entete(QWidget* parent, const char* text);
// A caption whose hint, when given, explains it in a tool tip and in the status line.
QLabel* Etiquette(QWidget* parent, const char* text, const char* hint = nullptr);
// A list of records, one per row: whole rows selected, sorted only by the program, on the
// pale yellow of the window's lists.
QTreeWidget* Liste(QWidget* parent, const char* name, const QStringList& captions);
// A read-out: right-aligned in a sunken frame, its text selectable, at least largeur wide and
// never narrower than its text.
QLabel* Afficheur(QWidget* parent, const char* name, int largeur);
// Shows a figure that is drawn red when negative, black otherwise.
void AfficheSigne(QLabel* label, const QString& texte, bool negatif);

} // namespace page
