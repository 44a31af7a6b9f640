// Mutated server texts: thousands of damaged directory replies, region
// replies, maps and patch lists go through the parsers. None may crash or
// hang, and every map that is taken holds only what a map may hold.
#include <gtest/gtest.h>

#include <json/json.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "update/versions/server_replies.h"
#include "update/versions/version_map.h"

namespace {

// xorshift: the same mutants on every run, so a failure can be replayed.
class Random {
 public:
  explicit Random(uint32_t seed) : x_(seed * 2654435761u + 1) {}
  uint32_t Next() {
    x_ ^= x_ << 13;
    x_ ^= x_ >> 17;
    x_ ^= x_ << 5;
    return x_;
  }
  size_t Below(size_t n) { return n == 0 ? 0 : Next() % n; }

 private:
  uint32_t x_;
};

const char kDirectory[] =
    R"({"DlcAddr": ["http://127.0.0.1:1/a", "http://127.0.0.1:2/b"], "CDN": "x",)"
    R"( "Others": "{\"PatchOption\": 2, \"PreDlcAddr\": [\"http://127.0.0.1:3/p\"]}"})";
const char kRegion[] = R"({"info": ["{\"KOREA_pc_addr\": [\"http://127.0.0.1:4/k\"]}"]})";
const char kListMap[] =
    R"({"version": "10_1_2", "list": {"a.bin": {"md5": "0123456789abcdef0123456789abcdef",)"
    R"( "size": 150000}, "k/Data.bin": {"md5": "fedcba9876543210fedcba9876543210",)"
    R"( "size": 7}, "k/z/e.dll": {"md5": "", "size": 0}}})";
const char kFlatMap[] =
    R"({"version": {"md5": "10_1_2"}, "a.bin": {"md5": "0123456789ABCDEF0123456789abcdef",)"
    R"( "size": 33554433}, "dir/x": {"md5": "00000000000000000000000000000000", "size": 1}})";
const char kPatchList[] =
    R"({"version": "10_1_3", "list": {"a.bin": {"md5": "11111111111111111111111111111111",)"
    R"( "size": 4096}, "k/Data.bin": {"md5": "22222222222222222222222222222222", "size": 12}}})";

// Pieces a hostile text is made of: structure, numbers at and past every
// limit, names that escape or collide, broken encodings.
const char* const kTokens[] = {
    "[", "]", "{", "}", "\"", ",", ":", "\\", "null", "true", "-1", "0", "1e999", "-0.5",
    "2147483648", "9223372036854775807", "9223372036854775808", "18446744073709551616",
    "4611686018427387904", "\"../x\"", "\"..\\\\x\"", "\"C:/x\"", "\"//srv/x\"", "\"CON\"",
    "\"a.bin.cfg\"", "\"A.BIN\"", "\"a.bin.part\"", "\"a.bin.~0\"", "\"k/data.BIN\"",
    "\"dir./x\"", "\"evil \"", "\"evil.\"", "\"\\u0000\"", "\"\\ud800\"", "\xff\xfe", "\xc3",
    "\"md5\"", "\"size\"", "\"list\"", "\"version\"", "\"DlcAddr\"", "\"Others\"",
    "\"0123456789ABCDEF0123456789ABCDEF\"", "\"http://x/\"", "\"file:///c:/x\"", "/*", "*/"};

std::string Mutate(const std::string& seed, Random* random) {
  std::string text = seed;
  const int count = 1 + static_cast<int>(random->Below(3));
  for (int i = 0; i < count; ++i) {
    const size_t at = random->Below(text.size() + 1);
    switch (random->Below(6)) {
      case 0:  // a byte changed
        if (!text.empty()) text[random->Below(text.size())] = static_cast<char>(random->Next());
        break;
      case 1:  // a piece put in
        text.insert(at, kTokens[random->Below(sizeof(kTokens) / sizeof(kTokens[0]))]);
        break;
      case 2:  // a run cut out
        text.erase(at, random->Below(16) + 1);
        break;
      case 3:  // a run repeated
        text.insert(at, text.substr(random->Below(text.size() + 1), random->Below(64)));
        break;
      case 4:  // cut short
        text.resize(at);
        break;
      default: {  // nested deeper than any reader's stack, or nearly so
        const size_t depth = random->Below(2) ? 999 + random->Below(3) : 3000 + random->Below(3000);
        const char open = random->Below(2) ? '[' : '{';
        text.insert(at, std::string(depth, open));
        break;
      }
    }
  }
  return text;
}

// A map changed as a buggy or hostile publisher would: names that escape,
// collide or bear the launcher's own names, sizes and digests of every kind.
std::string MutateMap(const std::string& seed, Random* random) {
  static const char* const kNames[] = {
      "../x", "a/../../x", "C:/x", "//srv/x", "\\x", "CON.txt", "k/nul", "a.bin.cfg",
      "A.BIN", "a.bin.", "a.bin ", "a.bin.part", "a.bin.cfg.writing", "a.bin.qvpatch",
      "a.bin.~3", "K/DATA.BIN", "k/data.bin.CFG", "dir./x", "dir\\x", "x:y", "", "version"};
  static const int64_t kSizes[] = {-1, 0, 1, INT32_MAX, 1LL << 33, kMaxFileSize,
                                   kMaxFileSize + 1, 1LL << 62, INT64_MAX};
  static const char* const kDigests[] = {"", "0123456789ABCDEF0123456789abcdef", "xyz",
                                         "0123456789abcdef0123456789abcde",
                                         "0123456789abcdef0123456789abcdefg"};
  Json::Value root;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  reader->parse(seed.data(), seed.data() + seed.size(), &root, &errors);
  Json::Value& list = root.isMember("list") ? root["list"] : root;
  const int count = 1 + static_cast<int>(random->Below(3));
  for (int i = 0; i < count; ++i) {
    const std::vector<std::string> names = list.getMemberNames();
    if (names.empty()) break;
    const std::string& name = names[random->Below(names.size())];
    Json::Value entry = list[name];
    switch (random->Below(4)) {
      case 0:  // another name beside the others
        list[kNames[random->Below(sizeof(kNames) / sizeof(kNames[0]))]] = entry;
        break;
      case 1:  // a name renamed
        list.removeMember(name);
        list[kNames[random->Below(sizeof(kNames) / sizeof(kNames[0]))]] = entry;
        break;
      case 2:
        if (list[name].isObject()) {
          list[name]["size"] =
              static_cast<Json::Int64>(kSizes[random->Below(sizeof(kSizes) / sizeof(kSizes[0]))]);
        }
        break;
      default:
        if (list[name].isObject()) {
          list[name]["md5"] = kDigests[random->Below(sizeof(kDigests) / sizeof(kDigests[0]))];
        }
        break;
    }
  }
  Json::StreamWriterBuilder writer;
  return Json::writeString(writer, root);
}

// What a taken map may hold.
void ExpectSound(const VersionMap& map, const std::string& text) {
  std::set<std::string> keys;
  for (const auto& item : map) {
    EXPECT_GE(item.second.size, 0) << text;
    EXPECT_LE(item.second.size, kMaxFileSize) << text;
    if (item.first == kVersionEntryName) continue;
    EXPECT_TRUE(IsSafeRelativePath(item.first)) << item.first;
    EXPECT_TRUE(item.second.md5.empty() || IsMd5Text(item.second.md5)) << text;
    EXPECT_TRUE(keys.insert(WindowsPathKey(item.first)).second)
        << "two entries for one file: " << text;
  }
}

TEST(HostileInputTest, MutatedRepliesMapsAndPatchListsNeverCrash) {
  const std::string seeds[] = {kDirectory, kRegion, kListMap, kFlatMap, kPatchList};
  Random random(25);
  int maps_taken = 0;
  VersionMap previous;
  for (int round = 0; round < 800; ++round) {
    for (const std::string& seed : seeds) {
      const bool map_seed = seed != seeds[0] && seed != seeds[1];
      std::string text = map_seed && random.Below(2) ? MutateMap(seed, &random) : seed;
      if (text == seed || random.Below(4) == 0) text = Mutate(text, &random);
      std::string error;
      IsValidJson(text.data(), static_cast<int64_t>(text.size()), &error);
      std::vector<std::string> download, pre, region;
      ParseDlcAddresses(text, &download, &pre, &error, true);
      ParseRegionAddresses(text, &region, &error);
      VersionMap map;
      error.clear();
      if (ParseVersionMap(text, &map, &error)) {
        ++maps_taken;
        ExpectSound(map, text);
        VersionMap fetch, local = previous;
        std::vector<std::string> deleted;
        DiffVersionMaps(&local, map, &fetch, &deleted);
        previous = map;
      } else {
        EXPECT_TRUE(map.empty());
        EXPECT_TRUE(text.empty() || !error.empty()) << "refused without a reason: " << text;
      }
    }
  }
  // The mutants are near enough to their seeds that many maps still parse,
  // so the checks above saw real maps.
  EXPECT_GT(maps_taken, 100);
}

}  // namespace
