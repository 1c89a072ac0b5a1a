#include "portfolio/Fdatas.h"

#include "platform/Checked.h"

#include <cmath>
#include <memory>

using platform::FieldDef;
using platform::FieldType;

namespace {

// The cents of an amount before they are truncated to 32 bits.
double Cents(double amount) {
    const double cents = amount * 100.0;
    // Single precision holds every whole number below 2^24 and absorbs the binary error of
    // amount × 100 (0.29 × 100 is just short of 29). Above, its steps of 2 cents and more
    // would move the amount itself. There the error of the double is below a millionth of a
    // cent: an amount that close to a whole number of cents is that number, and any other
    // loses its fraction, as below.
    constexpr double kSinglePrecisionExact = 16777216.0;
    if (std::fabs(cents) < kSinglePrecisionExact)
        return static_cast<double>(static_cast<float>(cents));
    constexpr double kBinaryError = 1e-3;
    const double whole = std::nearbyint(cents);
    return std::fabs(cents - whole) < kBinaryError ? whole : cents;
}

} // namespace

std::int32_t EurosToCents(double amount) {
    return platform::Trunc32(Cents(amount));
}

bool HasCents32(double amount) {
    // Truncation toward zero keeps everything strictly between these bounds in 32 bits.
    const double cents = Cents(amount);
    return cents > -2147483649.0 && cents < 2147483648.0; // false for NaN as well
}

namespace {

const char* const kAmount = "0,.00";

FieldDef Text(const char* name, int size) {
    return FieldDef{name, FieldType::String, size, ""};
}
FieldDef Integer(const char* name) {
    return FieldDef{name, FieldType::Integer, 0, ""};
}
FieldDef Float(const char* name, const char* format = "") {
    return FieldDef{name, FieldType::Float, 0, format};
}
// A figure of a table saved to a file that holds a number in every field.
FieldDef ZeroWhenEmpty(FieldDef def) {
    def.ZeroWhenEmpty = true;
    return def;
}
FieldDef Date(const char* name) {
    return FieldDef{name, FieldType::Date, 0, ""};
}
FieldDef Boolean(const char* name) {
    return FieldDef{name, FieldType::Boolean, 0, ""};
}

std::unique_ptr<TDatas>& Instance() {
    static std::unique_ptr<TDatas> instance;
    return instance;
}

} // namespace

TDatas* Datas = nullptr;

TDatas::TDatas()
    : Repart("Repart", {Text("CodeVal", 10),  Text("Libelle", 40), Integer("NbAchat"),
                        Integer("NbVentes"),  Integer("NbInPort"), Float("PxMoyAchBrut"),
                        Float("PxMoyAchNet"), Float("CoutBrut"),   Float("CoutNet"),
                        Float("TotFrais"),    Float("ValorBrut"),  Float("ValorNet"),
                        Float("PlValBrut"),   Float("PlValNet"),   Float("PlValLatBrut"),
                        Float("PlValLatNet"), Float("ARealBrut"),  Float("ARealNet"),
                        Float("VRealBrut"),   Float("VRealNet"),   Float("RealNetRM"),
                        Float("RealNetTOT")}),
      Operes("Operes",
             {Text("Sens", 20), Date("Date"), Integer("Quantite"), Float("Cours"), Float("Frais"),
              Float("PxMoyAchBrut"), Float("PxMoyAchNet"), Float("PlValBrut"), Float("PlValNet")}),
      Historique("Historique",
                 {Date("Date"), ZeroWhenEmpty(Float("Cours", kAmount)),
                  ZeroWhenEmpty(Float("Haut", kAmount)), ZeroWhenEmpty(Float("Bas", kAmount)),
                  ZeroWhenEmpty(Integer("Volume"))}),
      Frais1("Frais1", {Float("Seuil", kAmount), Float("Frais", kAmount), Float("Tva", kAmount),
                        Float("MntMin", kAmount), Boolean("PlVal")}),
      Frais2("Frais2", {Float("Seuil", kAmount), Float("Frais", kAmount), Float("Tva", kAmount),
                        Float("MntMin", kAmount), Boolean("PlVal")}),
      LoadHisto("LoadHisto", {Text("Sicovam", 20), Date("Date"), Float("Cours", kAmount),
                              Float("Haut", kAmount), Float("Bas", kAmount), Integer("Volume")}),
      FrSRD("FrSRD", {Float("Seuil", kAmount), Float("Frais", kAmount), Float("Tva", kAmount),
                      Float("MntMin", kAmount)}),
      RepartCodeVal(Repart.FieldByName("CodeVal")), RepartLibelle(Repart.FieldByName("Libelle")),
      RepartNbAchat(Repart.FieldByName("NbAchat")), RepartNbInPort(Repart.FieldByName("NbInPort")),
      RepartPxMoyAchBrut(Repart.FieldByName("PxMoyAchBrut")),
      RepartPxMoyAchNet(Repart.FieldByName("PxMoyAchNet")),
      RepartCoutBrut(Repart.FieldByName("CoutBrut")), RepartCoutNet(Repart.FieldByName("CoutNet")),
      RepartTotFrais(Repart.FieldByName("TotFrais")),
      RepartValorBrut(Repart.FieldByName("ValorBrut")),
      RepartValorNet(Repart.FieldByName("ValorNet")),
      RepartPlValBrut(Repart.FieldByName("PlValBrut")),
      RepartPlValNet(Repart.FieldByName("PlValNet")),
      RepartPlValLatBrut(Repart.FieldByName("PlValLatBrut")),
      RepartPlValLatNet(Repart.FieldByName("PlValLatNet")), OperesSens(Operes.FieldByName("Sens")),
      OperesDate(Operes.FieldByName("Date")), OperesQuantite(Operes.FieldByName("Quantite")),
      OperesCours(Operes.FieldByName("Cours")), OperesFrais(Operes.FieldByName("Frais")),
      OperesPxMoyAchBrut(Operes.FieldByName("PxMoyAchBrut")),
      OperesPxMoyAchNet(Operes.FieldByName("PxMoyAchNet")),
      OperesPlValBrut(Operes.FieldByName("PlValBrut")),
      OperesPlValNet(Operes.FieldByName("PlValNet")),
      HistoriqueDate(Historique.FieldByName("Date")),
      HistoriqueCours(Historique.FieldByName("Cours")),
      HistoriqueVolume(Historique.FieldByName("Volume")), Frais1Seuil(Frais1.FieldByName("Seuil")),
      LoadHistoSicovam(LoadHisto.FieldByName("Sicovam")),
      DateField1(LoadHisto.FieldByName("Date")) {
    // The history and the import lines are kept in key order; the fee schedules have their
    // index defined but keep the order in which the rows were put in.
    Historique.AddIndex("HistoriqueIndex1", "Date");
    Historique.SetIndexName("HistoriqueIndex1");
    Frais1.AddIndex("Frais1Index1", "Seuil");
    Frais2.AddIndex("Frais2Index1", "Seuil");
    FrSRD.AddIndex("Frais1Index1", "Seuil");
    LoadHisto.AddIndex("LoadHistoIndex2", "Sicovam;Date");
    LoadHisto.SetIndexName("LoadHistoIndex2");
}

TDatas& TheDatas() {
    auto& instance = Instance();
    if (!instance) {
        instance = std::make_unique<TDatas>();
        Datas = instance.get();
    }
    return *instance;
}

void ResetDatas() {
    auto& instance = Instance();
    Datas = nullptr;
    instance.reset();
    instance = std::make_unique<TDatas>();
    Datas = instance.get();
}
