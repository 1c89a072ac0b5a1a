#pragma once

// The two records exchanged between the program and the quote-page library. Both sides use
// this one declaration.

#include <cstddef>
#include <cstdint>

// What a request asks for. The library also receives values outside these three (a caller
// built without this header) and refuses them.
enum class AskKind : std::int32_t {
    Quote = 0,    // the current quote
    Intraday = 1, // the day's prices, into an intraday file
    History = 2,  // the daily history, read record by record
};

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
    AskKind Type;      // what is asked for
    char Code[10];     // security code, NUL-terminated
    char Formule[258]; // URL to fetch, NUL-terminated
    InfosCours Infos;  // the quote read from a quote page
    char Fichier[256]; // intraday file path, NUL-terminated
};

// The record crosses the library boundary, so both sides must lay it out alike: the request
// kind takes the four bytes of an int32, and every field sits at a fixed offset.
static_assert(sizeof(AskKind) == sizeof(std::int32_t));
static_assert(offsetof(AskWeb, Type) == 4);
static_assert(offsetof(AskWeb, Code) == 8);
static_assert(offsetof(AskWeb, Infos) == 280);
static_assert(offsetof(AskWeb, Fichier) == 320);
static_assert(sizeof(AskWeb) == 576);

#if defined(__GNUC__)
#define QUOTESCAN_API extern "C" __attribute__((visibility("default")))
#else
#define QUOTESCAN_API extern "C"
#endif

QUOTESCAN_API bool GetFormule(AskWeb* ask);
QUOTESCAN_API bool AnalyseRep(AskWeb* ask, char* page);
QUOTESCAN_API bool GetNextRep(InfosCours* infos);
