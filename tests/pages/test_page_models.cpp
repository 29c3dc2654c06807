// The page framework: the page table's orders, the configuration object and
// its "sdate", the hooks the settings workflows use.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pages/model/page_models.h"
#include "settings/json_writer.h"

namespace orv {
namespace {

std::vector<std::string> g_calls;

// A page that records its calls and exports its name (or broken JSON).
template <int N>
class Recorder final : public TPageModel {
 public:
  using TPageModel::TPageModel;
  void LoadData(TMemItems&) override { g_calls.push_back("load" + std::to_string(N)); }
  void StoreData(TMemItems&) override { g_calls.push_back("store" + std::to_string(N)); }
  std::string ToJSON() const override { return N == 9 ? "{oops" : "{\"n\" : " + std::to_string(N) + "}"; }
  TControlState State(size_t) const override { return {}; }
  uint32_t ChangedRegions() const override { return N == 2 ? 1u << 9 : 0; }

 protected:
  void Apply(size_t, int, const std::string&) override {}
};

template <int N>
std::unique_ptr<TPageModel> Make(TPageEnv& env) {
  return std::make_unique<Recorder<N>>(env);
}

TEST(PageModels, LoadStoreAndExportFollowTheTablesOrders) {
  const TPageEntry table[] = {
      {"A", "a", nullptr, 1, 0, -1, 1, &Make<1>},
      {"B", "b", "bee", 0, -1, 1, 2, &Make<2>},
      {"C", "c", "cee", -1, 1, 0, 4, &Make<3>},
  };
  TPageEnv env;
  TPageModels pages(env, table);
  TMemItems items = CreateMemItems();
  g_calls.clear();
  pages.LoadData(items);
  pages.StoreData(items);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"load2", "load1", "store1", "store3"}));
  EXPECT_EQ(pages.Configuration(TSDate::At(0)).rfind(R"({"cee":{"n":3},"bee":{"n":2},"sdate":{)", 0), 0u);
  EXPECT_EQ(pages.ChangedRegions(), 1u << 9);
  EXPECT_EQ(pages.Model("B")->ToJSON(), "{\"n\" : 2}");
  EXPECT_EQ(pages.Model("D"), nullptr);
}

TEST(PageModels, APageExportThatIsNotJsonFailsTheExport) {
  const TPageEntry table[] = {{"A", "a", "a", 0, 0, 0, 1, &Make<9>}};
  TPageEnv env;
  TPageModels pages(env, table);
  EXPECT_THROW(pages.Configuration(TSDate::At(0)), JsonError);
}

TEST(PageModels, TheApplicationsPagesAndTheirExports) {
  TPageEnv env;
  TPageModels pages(env);
  for (const char* name : {"OptionsFrame", "MessagesFrame", "ConnectionsFrame", "ImpulsesFrame", "CANFrame",
                           "InternetFrame", "RStartFrame"})
    EXPECT_NE(pages.Model(name), nullptr) << name;
  std::string conf = pages.Configuration(TSDate::At(0));
  // The remote-start, connections and impulses exports have tests of their own.
  const size_t rs = conf.find("\"rstart\":{\"rs_opt\""), inet = conf.find(",\"internet\"");
  ASSERT_TRUE(rs != std::string::npos && inet != std::string::npos && rs < inet) << conf;
  conf.replace(rs + 9, inet - rs - 9, "{}");
  EXPECT_EQ(conf.rfind(R"({"conn":{"conn_ins":[)", 0), 0u) << conf;
  EXPECT_NE(conf.find(R"(}}},"seqs":[{"seq0":)"), std::string::npos) << conf;
  EXPECT_NE(conf.find(R"(}}],"can":{"can_user":{},"can_opt":{"can_odometer":false,"can_fuellevel":false,)"
                      R"("can_fuelmeasured":false,"can_fuelconsumption":false,"can_RPM":false,"can_coolanttemp":false,)"
                      R"("can_Accelerator":false,"can_wheelangle":false,"can_brakeforce":false}},"rstart":{},)"
                      R"("internet":{"inet_apn":"","inet_login":"","inet_pwd":""},"sdate":{"localtime":")"),
            std::string::npos)
      << conf;
  EXPECT_FALSE(pages.OptionsPIN()) << "no PIN before the options page was loaded";
  env.forceSave = true;
  EXPECT_TRUE(pages.TakeForceSave());
  EXPECT_FALSE(pages.TakeForceSave()) << "the mark is taken once";
}

class ZoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
  }
  void TearDown() override {
    if (saved_) ::setenv("TZ", saved_->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
  }
  std::optional<std::string> saved_;
};

TEST_F(ZoneTest, SdateGivesLocalTimeStandardBiasAndZoneName) {
  ::setenv("TZ", "MSK-3", 1);
  TPageEnv env;
  TPageModels pages(env);
  const auto conf = json::Parse(pages.Configuration(TSDate::At(1700000000)));
  EXPECT_EQ(conf["sdate"]["localtime"], "15.11.2023 01:13");
  EXPECT_EQ(conf["sdate"]["timezone"], "-180, MSK");
  EXPECT_EQ(conf["sdate"]["UTC"], "1700010800");

  // Daylight saving does not enter the bias: standard time and its name.
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  const TSDate summer = TSDate::At(1690000000);  // July 2023
  EXPECT_EQ(summer.biasMinutes, -60);
  EXPECT_EQ(summer.zoneName, "CET");
  EXPECT_EQ(summer.hour, 6);  // 04:26 UTC, 06:26 summer time
}

}  // namespace
}  // namespace orv
