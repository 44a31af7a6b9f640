// Version texts: three decimal numbers A_B_C, ordered by A, then C, then B
// (the third part ranks before the second), their comparison against the
// installed and the announced version, and the form shown in windows.
//
// Plain functions without state; any thread may call them.
#ifndef UPDATE_VERSIONS_VERSION_TEXT_H_
#define UPDATE_VERSIONS_VERSION_TEXT_H_

#include <string>

// True when `text` is such a version.
bool IsVersionText(const std::string& text);

// Ordering of two version texts by A, C, B: negative, 0 or positive. Both
// must be versions (IsVersionText).
int CompareVersionOrder(const std::string& a, const std::string& b);

// Whether `candidate` is worth fetching over the installed `base`, given the
// version `current` the servers announce (may be empty):
//    1  candidate is newer than base and, when current is given and differs
//       from base, equal to current;
//    0  candidate empty;      -1  base empty;
//   -2  candidate, -3 base, -4 current not a version;
//   -5  candidate above current;  -7  candidate below current;
//   -6  candidate not above base.
int CompareVersions(const std::string& candidate, const std::string& base,
                    const std::string& current);

// The display form: 1010203_7_45 shows as 1.1.2.3.45.7; a text that is not
// three "_"-separated parts is shown unchanged.
void FormatGameVersion(const std::string& version, std::string* display);

#endif  // UPDATE_VERSIONS_VERSION_TEXT_H_
