// launcher.exe started with damaged and hostile skins beside it (the table
// testing/skin/make_hostile_skins.py builds from the shipped skin): every
// start brings the main window, and the trace file says what was refused.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/file/path_util.h"
#include "test_support/pump_until.h"
#include "test_support/skin_trial.h"

namespace {

using testing_support::PumpUntil;
using testing_support::SkinRow;
using testing_support::SkinTrial;

TEST(HostileSkinTest, EverySkinGetsAWindowAndATraceLine) {
  const std::vector<SkinRow> rows =
      testing_support::ReadSkinRows(base::GetModuleDirectory() + QUORVEL_HOSTILE_SKINS);
  ASSERT_GT(rows.size(), 10u) << "the skin table is missing";
  for (const SkinRow& row : rows) {
    SCOPED_TRACE(row.name);
    SkinTrial trial(base::GetModuleDirectory() + QUORVEL_LAUNCHER_EXE, row);
    ASSERT_TRUE(trial.ready());
    EXPECT_GE(trial.StartAndWaitForWindow(), 0) << "no window";
    if (row.trace.empty()) {
      // Lines are posted before the window opens: none may have come yet,
      // but none may come at all.
      EXPECT_EQ("", trial.SkinTraceLines());
      continue;
    }
    EXPECT_TRUE(PumpUntil([&] { return trial.SkinTraceLines().find(row.trace) != std::string::npos; }))
        << "trace: " << trial.SkinTraceLines();
    // Once: a refusal is one line, however many reads met it.
    std::istringstream lines(trial.SkinTraceLines());
    int matching = 0;
    for (std::string line; std::getline(lines, line);) {
      if (line.find(row.trace) != std::string::npos) ++matching;
    }
    EXPECT_EQ(1, matching) << trial.SkinTraceLines();
  }
}

}  // namespace
