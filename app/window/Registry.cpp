#include "window/Registry.h"
#include "window/SecurityPage.h"
#include "window/SummaryPages.h"

#include "widgets/QtDates.h"
#include "window/Main.h"

#include "platform/DateText.h"
#include "platform/DateTime.h"
#include "portfolio/Cv.h"

#include <QDateEdit>
#include <QSlider>
#include <QSplitter>

#include <algorithm>
#include <cstdio>
#include <vector>

OpenedKey::OpenedKey(platform::SettingsStore& store) : store_(store) {
    if (!store_.OpenKey(kCleProgramme, false))
        throw platform::SettingsError("La clé de configuration « SoftWare\\Corvane » est "
                                      "introuvable (fichier " +
                                      platform::SettingsStore::StorePath() + ").");
}

OpenedKey::~OpenedKey() {
    if (!store_.IsOpen())
        return;
    try {
        if (!store_.CloseKey())
            std::fprintf(stderr, "Corvane : réglages non enregistrés dans %s\n",
                         platform::SettingsStore::StorePath().c_str());
    } catch (const std::exception& error) {
        // Only reached while another error is already on its way to the user.
        std::fprintf(stderr, "Corvane : %s\n", error.what());
    }
}

void OpenedKey::Close() {
    CloseOrThrow(store_);
}

void CloseOrThrow(platform::SettingsStore& store) {
    if (store.IsOpen() && !store.CloseKey())
        throw platform::SettingsError("Impossible d'enregistrer les réglages dans " +
                                      platform::SettingsStore::StorePath() + ".");
}

std::string ReadStringOrEmpty(const platform::SettingsStore& store, const char* name) {
    return store.ValueExists(name) ? store.ReadString(name) : std::string();
}

namespace {

const char* TypeName(platform::SettingsStore::Type type) {
    switch (type) {
    case platform::SettingsStore::Type::String:
        return "string";
    case platform::SettingsStore::Type::Integer:
        return "integer";
    case platform::SettingsStore::Type::Binary:
        break;
    }
    return "binary";
}

// Why the value does not read as `attendue` says; empty when it does (or is missing).
std::string MistypeFault(const platform::SettingsStore& store, const ValeurLue& attendue) {
    const std::string nom = attendue.nom;
    if (!store.ValueExists(nom))
        return {};
    const platform::SettingsStore::Type type = store.ValueType(nom);
    if (type != attendue.type)
        return "la valeur " + nom + " est de type " + TypeName(type) + " au lieu de " +
               TypeName(attendue.type);
    if (attendue.taille == 0)
        return {};
    const std::size_t taille = store.ReadBinary(nom).size();
    if (taille == attendue.taille)
        return {};
    return "la valeur " + nom + " occupe " + std::to_string(taille) + " octet(s) au lieu de " +
           std::to_string(attendue.taille);
}

} // namespace

void RefuseMistypedValues(platform::SettingsStore& store) {
    for (const ValeurLue& attendue : kValeursLues)
        if (const std::string faute = MistypeFault(store, attendue); !faute.empty())
            store.RefuseValue(attendue.nom, faute);
}

std::string SettingsProblemsText(const platform::SettingsStore& store) {
    if (store.Problems().empty())
        return {};
    std::string texte = "Le fichier des réglages " + platform::SettingsStore::StorePath() +
                        " contient des lignes illisibles ; Corvane a démarré avec les valeurs "
                        "par défaut à leur place :";
    for (const platform::SettingsProblem& probleme : store.Problems())
        texte += "\n- ligne " + std::to_string(probleme.line) + " : " + probleme.fault + ".";
    if (!store.Backup().empty())
        texte += "\nLe fichier d'origine est conservé dans " + store.Backup() + ".";
    return texte;
}

void TMainForm::ReadDefaultString(const char* name, const std::string& value) {
    if (!FRegistry->ValueExists(name))
        FRegistry->WriteString(name, value);
}

void TMainForm::ReadDefaultInteger(const char* name, std::int32_t value) {
    if (!FRegistry->ValueExists(name))
        FRegistry->WriteInteger(name, value);
}

// The values are visited in a fixed order; a missing one is written with its default (and
// with its exact type), so that the settings file always lists every value the program uses.
void TMainForm::ReadSettings() {
    platform::SettingsStore& reg = *FRegistry;

    RefuseMistypedValues(reg);
    if (reg.ValueExists("INSTALL"))
        FInstallDir = reg.ReadString("INSTALL");
    if (FInstallDir.empty())
        throw StartupError("Corvane n'est pas installé pour cet utilisateur : la valeur "
                           "INSTALL de la clé « SoftWare\\Corvane » (fichier " +
                           platform::SettingsStore::StorePath() +
                           ") est absente.\nLancez scripts/setup-user.sh pour la créer.");

    ReadDefaultString("CURRENT", "");

    const auto period = [&](const char* name, SecurityPage::Periode periode) {
        if (reg.ValueExists(name))
            FTitrePage->SetJours(periode, reg.ReadInteger(name));
        else
            reg.WriteInteger(name, FTitrePage->Jours(periode));
    };
    period("MOYENNE1", SecurityPage::Periode::Moyenne1);
    period("MOYENNE2", SecurityPage::Periode::Moyenne2);
    period("RSI", SecurityPage::Periode::Rsi);
    period("PERVAR", SecurityPage::Periode::Variation);

    ReadDefaultInteger("MAJ", 0);
    ReadDefaultInteger("MAJTYPE", 2);
    ReadDefaultInteger("TEMPS", 10);
    ReadDefaultString("LIBLOCAL", "francs");
    if (!reg.ValueExists("TAUX"))
        reg.WriteFloat("TAUX", 6.55957);
    ReadDefaultInteger("HTTP", 1);
    ReadDefaultInteger("PROXY", 0);
    ReadDefaultString("PROXYNAME", "");
    ReadDefaultInteger("PROXYPORT", 3128);

    // "01/01/70" is the mark of a settlement date never set, recognised by the document.
    const auto jamais = [] { return platform::StrToDate("01/01/70"); };
    if (!reg.ValueExists("DATELIQP"))
        reg.WriteDate("DATELIQP", jamais());

    if (reg.ValueExists("DATEDEB")) {
        FTitrePage->SetDebutHisto(reg.ReadDate("DATEDEB"));
    } else {
        FTitrePage->SetDebutHisto(FTitrePage->FinHisto() - 30.0);
        reg.WriteDate("DATEDEB", FTitrePage->DebutHisto());
    }

    if (!reg.ValueExists("DATELIQC"))
        reg.WriteDate("DATELIQC", jamais());

    if (reg.ValueExists("DATERENT")) {
        FSyntheses->SetDateRent(reg.ReadDate("DATERENT"));
    } else {
        const int annee = platform::DecodeDate(platform::Date()).year;
        const double debut = platform::StrToDate("01/01/" + std::to_string(annee));
        reg.WriteDate("DATERENT", debut);
        FSyntheses->SetDateRent(debut);
    }

    if (reg.ValueExists("COLREP2")) {
        // A value edited by hand to another length still gives its first ids; missing ones
        // are "no column", and the list skips ids it does not know.
        const std::vector<std::uint8_t> bytes = reg.ReadBinary("COLREP2");
        std::array<std::uint8_t, kColRepSize> colonnes{};
        std::copy_n(bytes.begin(), std::min(bytes.size(), colonnes.size()), colonnes.begin());
        FSyntheses->SetColRep(colonnes);
    } else {
        FSyntheses->SetColRep(kColRepDefaut);
        reg.WriteBinary("COLREP2",
                        std::vector<std::uint8_t>(kColRepDefaut.begin(), kColRepDefaut.end()));
    }

    if (reg.ValueExists("HEIGHT"))
        resize(width(), reg.ReadInteger("HEIGHT"));
    if (reg.ValueExists("WIDTH"))
        resize(reg.ReadInteger("WIDTH"), height());
    if (reg.ValueExists("SPLIT")) {
        FSplitWidth = std::max(reg.ReadInteger("SPLIT"), PartGauche->minimumWidth());
        PartGauche->resize(FSplitWidth, PartGauche->height());
        Splitter->setSizes({FSplitWidth, std::max(width() - FSplitWidth, 1)});
    }
}

void TMainForm::FormDestroy() {
    try {
        OpenedKey key(*FRegistry);
        const auto period = [&](const char* name, SecurityPage::Periode periode) {
            if (const std::int32_t jours = FTitrePage->Jours(periode); jours != 0)
                FRegistry->WriteInteger(name, jours);
        };
        period("RSI", SecurityPage::Periode::Rsi);
        period("MOYENNE1", SecurityPage::Periode::Moyenne1);
        period("MOYENNE2", SecurityPage::Periode::Moyenne2);
        period("PERVAR", SecurityPage::Periode::Variation);
        if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
            FRegistry->WriteInteger("HEIGHT", height());
            FRegistry->WriteInteger("WIDTH", width());
        }
        // The window is hidden by now, but its widgets keep the sizes they were last shown
        // with. A window never shown has no layout: its panel keeps the width it was given.
        FRegistry->WriteInteger("SPLIT", FLaidOut ? PartGauche->width() : FSplitWidth);
        key.Close();
    } catch (const std::exception& error) {
        // The window is going away: there is nobody left to show this to.
        std::fprintf(stderr, "Corvane : réglages non enregistrés : %s\n", error.what());
    }
    FPortefeuille.reset();
}
