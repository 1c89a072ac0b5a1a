// The data module: the order its tables keep their rows in, a sized field's cut, and the one
// instance of the run.

#include "platform/DateTime.h"
#include "portfolio/Fdatas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::Value;

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
        dates.push_back(d.HistoriqueDate.AsFloat() - day);
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
                        std::to_string(static_cast<int>(d.DateField1.AsFloat() - day)));
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
