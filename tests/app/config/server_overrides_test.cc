// "setting.json": which keys are taken and how, and which value is in force
// for each use.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config/save_files.h"
#include "app/config/server_overrides.h"
#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/app_test_support.h"

namespace {

using Strings = std::vector<std::string>;

ServerOverrides Read(const std::string& text) {
  Json::Value root;
  EXPECT_TRUE(ParseJson(text, &root, nullptr)) << text;
  ServerOverrides overrides;
  ReadServerOverrides(root, &overrides);
  return overrides;
}

TEST(ServerOverridesTest, EveryKeyIsTaken) {
  ServerOverrides o = Read(R"({
      "GateKey": "KEY_1", "GateURLs": ["https://a/", "https://b/"], "QaGate": true,
      "DlcURLs": "http://127.0.0.1:8080/", "ActivityURL": "https://act/?x=1",
      "RefreshInterval": 5, "UpdateInterval": 12, "TrackURL": "https://t/",
      "DisableAutoEnterGame": 1})");
  EXPECT_EQ("KEY_1", o.GateKey);
  EXPECT_EQ((Strings{"https://a/", "https://b/"}), o.GateURLs);
  EXPECT_TRUE(o.QaGate);
  EXPECT_EQ((Strings{"http://127.0.0.1:8080/"}), o.DlcURLs);
  EXPECT_EQ("https://act/?x=1", o.ActivityURL);
  EXPECT_EQ(5, o.RefreshInterval);
  EXPECT_EQ(12, o.UpdateInterval);
  EXPECT_EQ("https://t/", o.TrackURL);
  EXPECT_TRUE(o.DisableAutoEnterGame);
}

TEST(ServerOverridesTest, ValuesAreTakenAsTheirKeyWants) {
  struct Case {
    const char* json;
    std::string gate_key;
    Strings gate_urls;
    bool qa_gate;
    int32_t refresh;
  } cases[] = {
      {R"({"GateKey": 42, "QaGate": 0, "RefreshInterval": 5.7})", "42", {}, false, 5},
      {R"({"GateKey": true, "QaGate": 2.5, "RefreshInterval": true})", "true", {}, true, 1},
      {R"({"GateURLs": "one"})", "", {"one"}, false, 0},
      {R"({"GateURLs": ["x", {"no": 1}, 7, ["y"], "z"]})", "", {"x", "7", "z"}, false, 0},
      // Kinds that cannot be taken leave the defaults.
      {R"({"GateKey": ["k"], "QaGate": "true", "RefreshInterval": "5"})", "", {}, false, 0},
      {R"({"RefreshInterval": 1e12, "GateURLs": {"a": "b"}})", "", {}, false, 0},
      // So does null.
      {R"({"GateKey": null, "GateURLs": null, "QaGate": null, "RefreshInterval": null})", "", {},
       false, 0},
      {R"([1, 2])", "", {}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    ServerOverrides o = Read(c.json);
    EXPECT_EQ(c.gate_key, o.GateKey);
    EXPECT_EQ(c.gate_urls, o.GateURLs);
    EXPECT_EQ(c.qa_gate, o.QaGate);
    EXPECT_EQ(c.refresh, o.RefreshInterval);
  }
}

TEST(ServerOverridesTest, IntervalsCountOnlyFromOneToNinetyNineMinutes) {
  struct Case {
    int32_t minutes;
    int32_t refresh_ms;
    int32_t update_ms;
    int32_t probe_ms;
  } cases[] = {
      {0, 28800000, 43200000, 1860000},  {1, 60000, 60000, 120000},
      {5, 300000, 300000, 360000},       {99, 5940000, 5940000, 6000000},
      {100, 28800000, 43200000, 1860000}, {-1, 28800000, 43200000, 1860000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.minutes);
    ServerOverrides o;
    o.RefreshInterval = c.minutes;
    o.UpdateInterval = c.minutes;
    EXPECT_EQ(c.refresh_ms, o.RefreshPeriodMs());
    EXPECT_EQ(c.update_ms, o.UpdatePeriodMs());
    EXPECT_EQ(c.probe_ms, o.ProbePeriodMs());
  }
}

TEST(ServerOverridesTest, EmptyValuesLeaveTheBuiltInOnes) {
  const Strings built_in{"https://gate1/", "https://gate1/", "https://gate2/"};
  const Strings reply{"https://cdn/"};
  ServerOverrides none;
  EXPECT_EQ(built_in, none.DirectoryServers(built_in));
  EXPECT_EQ(reply, none.DownloadServers(reply));
  EXPECT_EQ("https://track/", none.TrackingUrl("https://track/"));
  EXPECT_EQ("PCX64HANSA_10077_3_15", none.DirectoryKey("10077_3_15"));
  EXPECT_EQ("PCX64HANSA_", none.DirectoryKey(""));

  ServerOverrides set = Read(R"({"GateKey": "K", "GateURLs": ["g"], "DlcURLs": ["d"],
                                 "TrackURL": "t"})");
  EXPECT_EQ(Strings{"g"}, set.DirectoryServers(built_in));
  EXPECT_EQ(Strings{"d"}, set.DownloadServers(reply));
  EXPECT_EQ("t", set.TrackingUrl("https://track/"));
  EXPECT_EQ("K", set.DirectoryKey("10077_3_15"));

  ServerOverrides empty = Read(R"({"GateKey": "", "GateURLs": [], "TrackURL": ""})");
  EXPECT_EQ(built_in, empty.DirectoryServers(built_in));
  EXPECT_EQ("https://track/", empty.TrackingUrl("https://track/"));
  EXPECT_EQ("PCX64HANSA_1_2_3", empty.DirectoryKey("1_2_3"));
}

TEST(ServerOverridesTest, TheControllerReadsTheFileOnceAndSurvivesABrokenOne) {
  app_testing::ScopedWorkingFolder working;
  CreateDirectoriesA("save");
  LauncherController missing;
  missing.LoadServerOverrides();
  EXPECT_TRUE(missing.serverOverrides.GateURLs.empty());

  ASSERT_TRUE(WriteFileTextA(SaveFilePath("setting.json"), "{\"GateURLs\": [\"a\""));
  LauncherController broken;
  broken.LoadServerOverrides();
  EXPECT_TRUE(broken.serverOverrides.GateURLs.empty());

  ASSERT_TRUE(WriteFileTextA(SaveFilePath("setting.json"),
                             R"({"GateURLs": ["a", "b"], "UpdateInterval": 7})"));
  LauncherController good;
  good.LoadServerOverrides();
  EXPECT_EQ((Strings{"a", "b"}), good.serverOverrides.GateURLs);
  EXPECT_EQ(7, good.serverOverrides.UpdateInterval);
}

}  // namespace
