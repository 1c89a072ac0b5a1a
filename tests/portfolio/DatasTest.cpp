// The data module: its tables' fields, their orders and the one instance of the run.

#include "platform/DateTime.h"
#include "portfolio/Fdatas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::FieldType;
using platform::Value;

struct Expected {
    const char* name;
    FieldType type;
    int size;
};

void ExpectFields(platform::MemTable& table, const std::vector<Expected>& fields) {
    SCOPED_TRACE(table.Name());
    ASSERT_EQ(table.FieldCount(), static_cast<int>(fields.size()));
    for (int i = 0; i < table.FieldCount(); ++i) {
        EXPECT_EQ(table.FieldDefAt(i).Name, fields[i].name);
        EXPECT_EQ(table.FieldDefAt(i).Type, fields[i].type) << fields[i].name;
        EXPECT_EQ(table.FieldDefAt(i).Size, fields[i].size) << fields[i].name;
    }
}

TEST(DatasTest, TablesHoldTheirFieldsInOrder) {
    ResetDatas();
    TDatas& d = TheDatas();
    const auto S = FieldType::String;
    const auto I = FieldType::Integer;
    const auto F = FieldType::Float;
    const auto D = FieldType::Date;
    const auto B = FieldType::Boolean;
    ExpectFields(d.Repart, {{"CodeVal", S, 10},    {"Libelle", S, 40},  {"NbAchat", I, 0},
                            {"NbVentes", I, 0},    {"NbInPort", I, 0},  {"PxMoyAchBrut", F, 0},
                            {"PxMoyAchNet", F, 0}, {"CoutBrut", F, 0},  {"CoutNet", F, 0},
                            {"TotFrais", F, 0},    {"ValorBrut", F, 0}, {"ValorNet", F, 0},
                            {"PlValBrut", F, 0},   {"PlValNet", F, 0},  {"PlValLatBrut", F, 0},
                            {"PlValLatNet", F, 0}, {"ARealBrut", F, 0}, {"ARealNet", F, 0},
                            {"VRealBrut", F, 0},   {"VRealNet", F, 0},  {"RealNetRM", F, 0},
                            {"RealNetTOT", F, 0}});
    ExpectFields(d.Operes, {{"Sens", S, 20},
                            {"Date", D, 0},
                            {"Quantite", I, 0},
                            {"Cours", F, 0},
                            {"Frais", F, 0},
                            {"PxMoyAchBrut", F, 0},
                            {"PxMoyAchNet", F, 0},
                            {"PlValBrut", F, 0},
                            {"PlValNet", F, 0}});
    ExpectFields(
        d.Historique,
        {{"Date", D, 0}, {"Cours", F, 0}, {"Haut", F, 0}, {"Bas", F, 0}, {"Volume", I, 0}});
    for (auto* fees : {&d.Frais1, &d.Frais2})
        ExpectFields(
            *fees,
            {{"Seuil", F, 0}, {"Frais", F, 0}, {"Tva", F, 0}, {"MntMin", F, 0}, {"PlVal", B, 0}});
    ExpectFields(d.FrSRD, {{"Seuil", F, 0}, {"Frais", F, 0}, {"Tva", F, 0}, {"MntMin", F, 0}});
    ExpectFields(d.LoadHisto, {{"Sicovam", S, 20},
                               {"Date", D, 0},
                               {"Cours", F, 0},
                               {"Haut", F, 0},
                               {"Bas", F, 0},
                               {"Volume", I, 0}});

    // The field objects are bound to their own table and field.
    EXPECT_EQ(d.FloatField4.Table(), &d.Frais2);
    EXPECT_EQ(d.FloatField4.FieldName(), "MntMin");
    EXPECT_EQ(d.FloatField11.Table(), &d.FrSRD);
    EXPECT_EQ(d.IntegerField1.FieldName(), "Volume");
    EXPECT_EQ(d.RepartRealNetTOT.Index(), 21);
    EXPECT_EQ(d.OperesPlValNet.Table(), &d.Operes);
}

TEST(DatasTest, HistoryByDateImportByCodeThenDateFeesAsPutIn) {
    ResetDatas();
    TDatas& d = TheDatas();
    const double day = platform::EncodeDate(2024, 5, 10);
    for (double offset : {3.0, -2.0, 0.0, 5.0}) {
        d.Historique.Insert();
        d.HistoriqueDate.SetAsDateTime(day + offset);
        d.HistoriqueCours.SetAsFloat(offset);
        d.Historique.Post();
    }
    std::vector<double> dates;
    for (bool ok = d.Historique.First(); ok; ok = d.Historique.Next())
        dates.push_back(d.HistoriqueDate.AsDateTime() - day);
    EXPECT_EQ(dates, (std::vector<double>{-2.0, 0.0, 3.0, 5.0}));

    const std::vector<std::pair<std::string, double>> lines = {
        {"13000", 2.0}, {"12000", 9.0}, {"13000", 1.0}, {"12000", 4.0}};
    for (const auto& [code, offset] : lines) {
        d.LoadHisto.Insert();
        d.LoadHistoSicovam.SetAsString(code);
        d.DateField1.SetAsDateTime(day + offset);
        d.LoadHisto.Post();
    }
    std::vector<std::string> order;
    for (bool ok = d.LoadHisto.First(); ok; ok = d.LoadHisto.Next())
        order.push_back(d.LoadHistoSicovam.AsString() + "+" +
                        std::to_string(static_cast<int>(d.DateField1.AsDateTime() - day)));
    EXPECT_EQ(order, (std::vector<std::string>{"12000+4", "12000+9", "13000+1", "13000+2"}));

    // The fee schedules keep the order of their rows; the options dialog fills them in
    // the schedule's order.
    for (double seuil : {5000.0, 0.0}) {
        d.Frais1.Append();
        d.Frais1Seuil.SetAsFloat(seuil);
        d.Frais1.Post();
    }
    EXPECT_EQ(d.Frais1.ValueAt(0, 0), Value{5000.0});
}

TEST(DatasTest, OneInstanceThatTestsCanReset) {
    TDatas& first = TheDatas();
    EXPECT_EQ(Datas, &first);
    EXPECT_EQ(&TheDatas(), &first);
    first.Repart.Append();
    first.RepartCodeVal.SetAsString("1234567890123");
    first.Repart.Post();
    EXPECT_EQ(first.Repart.TextAt(0, 0), "1234567890");
    ResetDatas();
    EXPECT_EQ(Datas, &TheDatas());
    EXPECT_TRUE(TheDatas().Repart.IsEmpty());
}

} // namespace
