#pragma once

// Texts of the figures shown in the main window's views: the number format with thousands
// separators and two decimals (nine significant digits), amounts scaled by the display factor.
// Also the text of an amount in a dialog's field, where it is edited.

#include <cstdint>
#include <string>

class TCorv;

// The document holds euros; every amount is shown in the display currency, euros times the
// display factor (1 for euros). Cents as shown: cents × 0.01 × facteur.
double Montant(std::int64_t cents, float facteur);
// A float amount already in euros, as shown: value × facteur.
double MontantEuros(float euros, float facteur);
// "Montants exprimés en Euros", or in the local currency when the factor is not 1: the line
// that tells in which currency a report or a dialog shows its amounts.
std::string TypMntText(const TCorv& doc);

// The amounts above as the views write them.
std::string MontantText(std::int64_t cents, float facteur);
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
