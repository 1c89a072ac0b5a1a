#pragma once

// Texts of the figures shown in the main window's views: the number format with thousands
// separators and two decimals (nine significant digits), amounts scaled by the display factor.
// Also the text of an amount in a dialog's field, where it is edited.

#include <cstdint>
#include <string>

// Cents shown as cents × 0.01 × facteur.
std::string MontantText(std::int64_t cents, float facteur);
// A float amount in euros shown as value × facteur.
std::string EurosText(float euros, float facteur);
// Cents in a field that takes an amount: every cent, two decimals with the user's decimal
// separator, no grouping and never an exponent, so that the text reads back to the same cents;
// never scaled.
std::string ChampMontantText(std::int64_t cents);
// A percentage: never scaled, followed by " %".
std::string PourcentText(double valeur);
// The day and time of a security's last quote, joined by entre ("13/03/26-17:35"); empty for
// a security never quoted, whose quote has no day.
std::string DateCoursText(double date, double heure, const std::string& entre);
// A figure written with "." (the document's truncated texts) as the user reads it: with the
// program's decimal separator.
std::string AvecSeparateurDecimal(std::string texte);
// True when the text, leading blanks removed, begins with a digit: a figure that is not
// negative. The colour rules of the lists read their cells' texts this way.
bool CommenceParChiffre(const std::string& texte);
