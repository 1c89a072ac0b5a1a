#pragma once

// The two records exchanged between the program and the quote-page library. Both sides use
// this one declaration.

#include <cstdint>

// One quote of one security, or one day of history.
struct InfosCours {
    std::int32_t Cours;     // last price, cents
    std::int32_t Bas;       // low of the day, cents
    std::int32_t Haut;      // high of the day, cents
    std::int32_t Ouverture; // opening price, cents
    std::int32_t Volume;    // shares traded
    float Variation;        // change of the day in percent
    double Date;            // day number
    double Heure;           // time of day (fraction)
};

// One request of the program to the library.
struct AskWeb {
    std::int32_t Site; // quote site index 0..3
    std::int32_t Type; // 0 quote, 1 intraday, 2 history
    char Code[10];     // security code, NUL-terminated
    char Formule[258]; // URL to fetch, NUL-terminated
    InfosCours Infos;  // the quote read from a quote page
    char Fichier[256]; // intraday file path, NUL-terminated
};

#if defined(__GNUC__)
#define QUOTESCAN_API extern "C" __attribute__((visibility("default")))
#else
#define QUOTESCAN_API extern "C"
#endif

QUOTESCAN_API bool GetFormule(AskWeb* ask);
QUOTESCAN_API bool AnalyseRep(AskWeb* ask, char* page);
QUOTESCAN_API bool GetNextRep(InfosCours* infos);
