#include "update/download/download_manager.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <string>
#include <vector>

#include "test_support/file_bytes.h"
#include "test_support/publisher_client.h"
#include "test_support/publisher_folder_test.h"
#include "test_support/temp_folder.h"
#include "update/versions/server_replies.h"

namespace {

using testing_support::PublisherClient;
using testing_support::ReadFileBytes;

// What the last callback received; callbacks are plain functions.
struct Reply {
  int calls = 0;
  int user_value = 0;
  int code = 99;
  std::string url;
  bool exists = false;
  bool has_data = false;
  std::string data;
  std::string error;
};
Reply g_reply;

void OnMemory(int user_value, int code, const std::string& url, const char* data, int length,
              const std::string& error) {
  ++g_reply.calls;
  g_reply.user_value = user_value;
  g_reply.code = code;
  g_reply.url = url;
  g_reply.has_data = data != nullptr;
  g_reply.data = data != nullptr ? std::string(data, length) : std::string();
  g_reply.error = error;
}

void OnProbe(int user_value, int code, const std::string& url, bool exists,
             const std::string& error) {
  ++g_reply.calls;
  g_reply.user_value = user_value;
  g_reply.code = code;
  g_reply.url = url;
  g_reply.exists = exists;
  g_reply.error = error;
}

// The servers each logged request went to, in order.
std::vector<std::string> Servers(const Json::Value& log) {
  std::vector<std::string> servers;
  for (const Json::Value& entry : log) servers.push_back(entry["server"].asString());
  return servers;
}

Json::Value Fault(const std::string& server, const std::string& path) {
  Json::Value fault;
  fault["server"] = server;
  fault["path"] = path;
  return fault;
}

TEST(JoinUrlTest, Joins) {
  EXPECT_EQ(JoinUrl("a/", "b"), "a/b");
  EXPECT_EQ(JoinUrl("a", "b"), "a/b");
  EXPECT_EQ(JoinUrl("", "b"), "b");
  EXPECT_EQ(JoinUrl("http://h:1/x", "get/urls?key=1"), "http://h:1/x/get/urls?key=1");
  EXPECT_EQ(JoinUrl("p", ""), "p/");
}

// Works in a fresh folder with a "save" folder, like the launcher's.
class DownloadManagerTest : public testing_support::PublisherFolderTest {
 protected:
  void SetUp() override {
    PublisherFolderTest::SetUp();
    if (HasFatalFailure()) return;
    manager_.Init(DownloadManager::ServerOverrides());
    DownloadManager::Timeouts timeouts;
    timeouts.connect_ms = 2000;
    timeouts.total_ms = 5000;
    timeouts.fetch_connect_ms = 2000;
    timeouts.fetch_total_ms = 5000;
    manager_.SetTimeoutsForTesting(timeouts);
    servers_ = {publisher_.Url("dl0"), publisher_.Url("dl1") + "/", publisher_.Url("dl2")};
    manager_.set_active_servers(servers_);
    g_reply = Reply();
  }

  void TearDown() override { PublisherFolderTest::TearDown(); }

  DownloadManager manager_;
  std::vector<std::string> servers_;
};

TEST_F(DownloadManagerTest, SetUp) {
  EXPECT_TRUE(manager_.running());
  EXPECT_FALSE(manager_.paused());
  EXPECT_EQ(manager_.attempts_per_server(), 3);
  EXPECT_EQ(manager_.mode(), kDownloadModeGame);
  EXPECT_EQ(manager_.pooled_handle_count(), 5u);
  ASSERT_EQ(manager_.directory_servers().size(), 3u);
  EXPECT_EQ(manager_.directory_servers()[0], manager_.directory_servers()[1]);
  EXPECT_NE(manager_.directory_servers()[0], manager_.directory_servers()[2]);
  EXPECT_NE(manager_.tracking_url().find("track/json_track?token="), std::string::npos);
  EXPECT_NE(manager_.attribution_url().find("v1/adjust"), std::string::npos);
  EXPECT_EQ(manager_.trace_path(), ".\\save\\dltrace.log");

  DownloadManager::ServerOverrides overrides;
  overrides.gate_urls = {"http://g1/", "http://g2/"};
  overrides.dlc_urls = {"http://d1/"};
  overrides.track_url = "http://t/track/json_track?token=1";
  manager_.Init(overrides);
  EXPECT_EQ(manager_.directory_servers(), overrides.gate_urls);
  EXPECT_EQ(manager_.tracking_url(), overrides.track_url);
  manager_.SetDownloadUrls({"http://reply/"});
  EXPECT_EQ(manager_.download_servers(), overrides.dlc_urls);
  manager_.Init(DownloadManager::ServerOverrides());
  manager_.SetDownloadUrls({"http://reply/"});
  EXPECT_EQ(manager_.download_servers(), std::vector<std::string>{"http://reply/"});

  manager_.Shutdown();
  EXPECT_FALSE(manager_.running());
  EXPECT_TRUE(manager_.paused());
  EXPECT_EQ(manager_.pooled_handle_count(), 0u);
}

TEST_F(DownloadManagerTest, TraceFile) {
  manager_.AppendTrace("first:1<=2\n");
  manager_.AppendTrace(std::string("bytes\0kept\r\n", 12));
  EXPECT_EQ(ReadFileBytes(".\\save\\dltrace.log"), std::string("first:1<=2\nbytes\0kept\r\n", 23));
  // A new start truncates it.
  manager_.Init(DownloadManager::ServerOverrides());
  EXPECT_EQ(ReadFileBytes(".\\save\\dltrace.log"), "");
  manager_.AppendTrace("again\n");
  EXPECT_EQ(ReadFileBytes(".\\save\\dltrace.log"), "again\n");
  // Without a save folder the lines are lost, quietly.
  DeleteFileW(L"save\\dltrace.log");
  ASSERT_TRUE(RemoveDirectoryW(L"save"));
  manager_.Init(DownloadManager::ServerOverrides());
  manager_.AppendTrace("lost\n");
  EXPECT_EQ(ReadFileBytes(".\\save\\dltrace.log"), "<missing>");
}

TEST_F(DownloadManagerTest, MemoryRequestFailsOverInOrder) {
  ASSERT_TRUE(publisher_.PutFile("maps/version_map.txt", R"({"version": "1_2_3"})"));
  Json::Value status = Fault("dl0", "/maps/*");
  status["status"] = 500;
  ASSERT_TRUE(publisher_.AddFault(status));
  Json::Value drop = Fault("dl1", "/maps/*");
  drop["drop_after"] = 5;
  ASSERT_TRUE(publisher_.AddFault(drop));

  EXPECT_TRUE(manager_.DownloadMemory("maps/version_map.txt", "", &OnMemory, 3));
  EXPECT_EQ(g_reply.calls, 1);
  EXPECT_EQ(g_reply.user_value, 3);
  EXPECT_EQ(g_reply.code, kRequestAnswered);
  EXPECT_EQ(g_reply.data, R"({"version": "1_2_3"})");
  EXPECT_EQ(g_reply.error, "");
  EXPECT_EQ(g_reply.url, "maps/version_map.txt/");  // names the path, not the server
  Json::Value log = publisher_.Log();
  EXPECT_EQ(Servers(log),
            (std::vector<std::string>{"dl0", "dl0", "dl0", "dl1", "dl1", "dl1", "dl2"}));
  for (const Json::Value& entry : log) {
    EXPECT_EQ(entry["path"].asString(), "/maps/version_map.txt");
    EXPECT_EQ(entry["method"].asString(), "GET");
    EXPECT_EQ(entry["user_agent"].asString(), "libcurl-agent/1.0");
  }
  EXPECT_EQ(manager_.live_request_count(), 0u);
}

TEST_F(DownloadManagerTest, MemoryRequestErrors) {
  ASSERT_TRUE(publisher_.PutFile("page.html", "<html>not json</html>"));
  // Status 200 with a body that is not JSON: answered, with the reader's text.
  EXPECT_TRUE(manager_.DownloadMemory("page.html", "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestAnswered);
  EXPECT_EQ(g_reply.data, "<html>not json</html>");
  EXPECT_FALSE(g_reply.error.empty());
  EXPECT_EQ(publisher_.Log().size(), 1u);

  // 500 everywhere: three attempts on each server, then -2 with the status
  // and the last error page.
  ASSERT_TRUE(publisher_.Reset());
  Json::Value status = Fault("*", "/page.html");
  status["status"] = 500;
  status["body"] = "server error page";
  ASSERT_TRUE(publisher_.AddFault(status));
  EXPECT_TRUE(manager_.DownloadMemory("page.html", "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestFailed);
  EXPECT_EQ(g_reply.error, "500");
  EXPECT_EQ(g_reply.data, "server error page");
  EXPECT_EQ(publisher_.Log().size(), 9u);

  // Dropped connections everywhere: the library's text.
  ASSERT_TRUE(publisher_.Reset());
  Json::Value drop = Fault("*", "/page.html");
  drop["drop_after"] = 3;
  ASSERT_TRUE(publisher_.AddFault(drop));
  EXPECT_TRUE(manager_.DownloadMemory("page.html", "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestFailed);
  EXPECT_EQ(g_reply.error, curl_easy_strerror(CURLE_PARTIAL_FILE));
  EXPECT_EQ(publisher_.Log().size(), 9u);

  // A missing file is a failure like any other status.
  ASSERT_TRUE(publisher_.Reset());
  EXPECT_TRUE(manager_.DownloadMemory("missing.txt", "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestFailed);
  EXPECT_EQ(g_reply.error, "404");

  // No servers at all.
  g_reply = Reply();
  manager_.set_active_servers({});
  EXPECT_FALSE(manager_.DownloadMemory("page.html", "", &OnMemory, 4));
  EXPECT_EQ(g_reply.calls, 1);
  EXPECT_EQ(g_reply.code, kRequestNoServers);
  EXPECT_EQ(g_reply.error, "DownloadMemory URL is empty");
  EXPECT_FALSE(g_reply.has_data);
  EXPECT_EQ(g_reply.data, "");
}

TEST_F(DownloadManagerTest, TimeOutsMoveToTheNextServer) {
  ASSERT_TRUE(publisher_.PutFile("slow.json", "{}"));
  Json::Value delay = Fault("dl0", "/slow.json");
  delay["delay_ms"] = 5000;
  ASSERT_TRUE(publisher_.AddFault(delay));
  DownloadManager::Timeouts timeouts;
  timeouts.connect_ms = 1000;
  timeouts.total_ms = 200;
  manager_.SetTimeoutsForTesting(timeouts);

  EXPECT_TRUE(manager_.DownloadMemory("slow.json", "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestAnswered);
  EXPECT_EQ(g_reply.data, "{}");
  // On a loaded machine an attempt can time out before dl0 has even read
  // its request, so the log may hold fewer than three: what holds is that
  // dl1 answered once, after dl0 was given up, and dl0 sent nothing.
  Json::Value log = publisher_.Log();
  std::vector<std::string> servers = Servers(log);
  ASSERT_FALSE(servers.empty());
  EXPECT_EQ(std::count(servers.begin(), servers.end(), "dl1"), 1);
  EXPECT_LE(std::count(servers.begin(), servers.end(), "dl0"), 3);
  EXPECT_EQ(servers.size(), 1 + static_cast<size_t>(std::count(servers.begin(), servers.end(), "dl0")));
  for (const Json::Value& entry : log) {
    if (entry["server"].asString() == "dl0") EXPECT_EQ(entry["bytes_sent"].asInt(), 0);
  }

  // Nothing answers in time: the time-out's text.
  manager_.set_active_servers({publisher_.Url("dl0")});
  EXPECT_TRUE(manager_.DownloadMemory("slow.json", "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestFailed);
  EXPECT_EQ(g_reply.error, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));

  // A server that does not listen fails the attempt at once.
  manager_.set_active_servers({"http://127.0.0.1:1", publisher_.Url("dl2")});
  EXPECT_TRUE(manager_.DownloadMemory("slow.json", "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestAnswered);
}

TEST_F(DownloadManagerTest, Probe) {
  ASSERT_TRUE(publisher_.PutFile("patchs/1_2_3/TOLM.exe.patch", "0123456789"));
  // 404 on the first server ends at once: the file does not exist.
  EXPECT_TRUE(manager_.ProbeUrl("patchs/1_2_3/missing.patch", "", &OnProbe, 9));
  EXPECT_EQ(g_reply.calls, 1);
  EXPECT_EQ(g_reply.user_value, 9);
  EXPECT_EQ(g_reply.code, kRequestAnswered);
  EXPECT_FALSE(g_reply.exists);
  EXPECT_EQ(publisher_.Log().size(), 1u);

  // A failing server hands over; the next one has it (one byte asked for).
  ASSERT_TRUE(publisher_.Reset());
  Json::Value status = Fault("dl0", "*");
  status["status"] = 503;
  ASSERT_TRUE(publisher_.AddFault(status));
  EXPECT_TRUE(manager_.ProbeUrl("patchs/1_2_3/TOLM.exe.patch", "", &OnProbe, 9));
  EXPECT_EQ(g_reply.code, kRequestAnswered);
  EXPECT_TRUE(g_reply.exists);
  EXPECT_EQ(g_reply.url, "patchs/1_2_3/TOLM.exe.patch/");
  Json::Value log = publisher_.Log();
  EXPECT_EQ(Servers(log), (std::vector<std::string>{"dl0", "dl0", "dl0", "dl1"}));
  EXPECT_EQ(log[3]["range"].asString(), "bytes=0-0");
  EXPECT_EQ(log[3]["status"].asInt(), 206);

  // A server that ignores the range still says the file exists.
  ASSERT_TRUE(publisher_.Reset());
  Json::Value whole = Fault("*", "*");
  whole["ignore_range"] = true;
  ASSERT_TRUE(publisher_.AddFault(whole));
  EXPECT_TRUE(manager_.ProbeUrl("patchs/1_2_3/TOLM.exe.patch", "", &OnProbe, 9));
  EXPECT_TRUE(g_reply.exists);

  // Every server failing: -2 with the last status.
  ASSERT_TRUE(publisher_.Reset());
  status["server"] = "*";
  ASSERT_TRUE(publisher_.AddFault(status));
  EXPECT_TRUE(manager_.ProbeUrl("patchs/1_2_3/TOLM.exe.patch", "", &OnProbe, 9));
  EXPECT_EQ(g_reply.code, kRequestFailed);
  EXPECT_EQ(g_reply.error, "503");
  EXPECT_FALSE(g_reply.exists);

  // No servers: false and no callback.
  g_reply = Reply();
  manager_.set_active_servers({});
  EXPECT_FALSE(manager_.ProbeUrl("x", "", &OnProbe, 9));
  EXPECT_EQ(g_reply.calls, 0);
}

TEST_F(DownloadManagerTest, FetchOnceMakesOneAttempt) {
  const std::string url = publisher_.Url("gate") + "/ip/";
  EXPECT_TRUE(manager_.FetchOnce(url, "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestAnswered);
  EXPECT_EQ(g_reply.data, "127.0.0.1\n");
  EXPECT_EQ(g_reply.url, url);
  EXPECT_EQ(g_reply.error, "");  // plain text is no fault here

  ASSERT_TRUE(publisher_.Reset());
  Json::Value status = Fault("gate", "/ip/");
  status["status"] = 502;
  ASSERT_TRUE(publisher_.AddFault(status));
  EXPECT_TRUE(manager_.FetchOnce(url, "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestFailed);
  EXPECT_EQ(g_reply.error, "502");
  EXPECT_EQ(publisher_.Log().size(), 1u);

  // Its own, shorter time-outs.
  ASSERT_TRUE(publisher_.Reset());
  Json::Value delay = Fault("gate", "/ip/");
  delay["delay_ms"] = 5000;
  ASSERT_TRUE(publisher_.AddFault(delay));
  DownloadManager::Timeouts timeouts;
  timeouts.fetch_total_ms = 200;
  manager_.SetTimeoutsForTesting(timeouts);
  EXPECT_TRUE(manager_.FetchOnce(url, "", &OnMemory, 1));
  EXPECT_EQ(g_reply.error, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
}

TEST_F(DownloadManagerTest, BodyIsPosted) {
  manager_.set_active_servers({publisher_.Url("gate")});
  EXPECT_TRUE(manager_.DownloadMemory("track/json_track?token=1", "{\"a\":\"1\"}", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestAnswered);
  EXPECT_EQ(g_reply.url, "track/json_track?token=1/{\"a\":\"1\"}");
  Json::Value log = publisher_.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0]["method"].asString(), "POST");
  EXPECT_EQ(log[0]["body"].asString(), "{\"a\":\"1\"}");
  EXPECT_EQ(log[0]["query"].asString(), "token=1");
}

TEST_F(DownloadManagerTest, StoppedEngineEndsAfterTheAttemptWithoutCallback) {
  Json::Value status = Fault("*", "*");
  status["status"] = 500;
  ASSERT_TRUE(publisher_.AddFault(status));
  manager_.set_running(false);
  EXPECT_TRUE(manager_.DownloadMemory("a.json", "", &OnMemory, 1));
  EXPECT_TRUE(manager_.ProbeUrl("a.json", "", &OnProbe, 1));
  EXPECT_TRUE(manager_.FetchOnce(publisher_.Url("dl0") + "/a.json", "", &OnMemory, 1));
  EXPECT_EQ(g_reply.calls, 0);
  EXPECT_EQ(publisher_.Log().size(), 3u);
}

TEST_F(DownloadManagerTest, DirectoryAndRegionRoundTrip) {
  manager_.set_active_servers({publisher_.Url("gate")});
  EXPECT_TRUE(manager_.DownloadMemory("get/urls?key=k&udid=u", "", &OnMemory, 1));
  ASSERT_EQ(g_reply.code, kRequestAnswered);
  EXPECT_EQ(g_reply.error, "");
  std::vector<std::string> download, pre;
  std::string error;
  ASSERT_TRUE(ParseDlcAddresses(g_reply.data, &download, &pre, &error, true)) << error;
  const std::vector<std::string> expected{publisher_.Url("dl0"), publisher_.Url("dl1"),
                                          publisher_.Url("dl2")};
  EXPECT_EQ(download, expected);
  EXPECT_EQ(pre, expected);
  EXPECT_EQ(publisher_.Log()[0]["query"].asString(), "key=k&udid=u");

  EXPECT_TRUE(manager_.DownloadMemory("pre_download?channel=KOREA&udid=u", "", &OnMemory, 1));
  std::vector<std::string> region;
  ASSERT_TRUE(ParseRegionAddresses(g_reply.data, &region, &error)) << error;
  EXPECT_EQ(region, expected);
}

TEST_F(DownloadManagerTest, OnlyWebSchemesAreFollowed) {
  FILE* file = fopen("local.json", "wb");
  ASSERT_NE(file, nullptr);
  fputs("{}", file);
  fclose(file);
  wchar_t full[MAX_PATH];
  GetFullPathNameW(L"local.json", MAX_PATH, full, nullptr);
  std::wstring wide = full;
  std::string path(wide.begin(), wide.end());
  manager_.set_active_servers({"file:///" + path.substr(0, path.rfind('\\'))});
  EXPECT_TRUE(manager_.DownloadMemory("local.json", "", &OnMemory, 1));
  EXPECT_EQ(g_reply.code, kRequestFailed);
  EXPECT_EQ(g_reply.data, "");
}

}  // namespace
