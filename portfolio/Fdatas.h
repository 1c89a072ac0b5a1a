#pragma once

// The data module: the program's in-memory tables (the loaded history of one security, the
// fee schedules being edited, the rows of two printed reports and the lines of a history
// import), and the one instance that lives for the whole run.

#include "platform/MemTable.h"

#include <cstdint>

// An amount of a table (euros) back to whole cents: the amount × 100 rounded to single
// precision, then truncated toward zero; from 2^24 cents on, where single precision no
// longer holds every cent, the amount's own fraction of a cent is dropped. A row built from
// any 32-bit N cents gives N again. Every reader of the history table uses this rule.
std::int32_t EurosToCents(double amount);
// False when EurosToCents cannot give the amount's cents: beyond what 32 bits hold, or not a
// number. Whoever stores cents refuses such an amount rather than storing another number.
bool HasCents32(double amount);

class TDatas {
public:
    TDatas();
    TDatas(const TDatas&) = delete;
    TDatas& operator=(const TDatas&) = delete;

    // The tables exist, empty, from construction. Amounts are euros, rates percents.
    platform::MemTable Repart;
    platform::MemTable Operes; // within this class, the trade record is ::Operes
    platform::MemTable Historique;
    platform::MemTable Frais1;
    platform::MemTable Frais2;
    platform::MemTable LoadHisto;
    platform::MemTable FrSRD;

    // Handles on the fields that are read or written one row at a time; any other field is
    // reached through its table.
    platform::Field RepartCodeVal;
    platform::Field RepartLibelle;
    platform::Field RepartNbAchat;
    platform::Field RepartNbInPort;
    platform::Field RepartPxMoyAchBrut;
    platform::Field RepartPxMoyAchNet;
    platform::Field RepartCoutBrut;
    platform::Field RepartCoutNet;
    platform::Field RepartTotFrais;
    platform::Field RepartValorBrut;
    platform::Field RepartValorNet;
    platform::Field RepartPlValBrut;
    platform::Field RepartPlValNet;
    platform::Field RepartPlValLatBrut;
    platform::Field RepartPlValLatNet;

    platform::Field OperesSens;
    platform::Field OperesDate;
    platform::Field OperesQuantite;
    platform::Field OperesCours;
    platform::Field OperesFrais;
    platform::Field OperesPxMoyAchBrut;
    platform::Field OperesPxMoyAchNet;
    platform::Field OperesPlValBrut;
    platform::Field OperesPlValNet;

    platform::Field HistoriqueDate;
    platform::Field HistoriqueCours;
    platform::Field HistoriqueVolume;

    platform::Field Frais1Seuil;

    platform::Field LoadHistoSicovam;
    platform::Field DateField1; // Date
};

// The one data module of the run; null until TheDatas first runs.
extern TDatas* Datas;

// The data module, created on first use.
TDatas& TheDatas();

// Replaces the data module by a fresh one with empty tables (tests). Fields and tables of the
// old one must no longer be used.
void ResetDatas();
