#include "update/versions/version_text.h"

#include <cstdint>
#include <vector>

#include "app/util/string_util.h"

namespace {

int Order(int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); }

int CompareTriples(const int a[3], const int b[3]) {
  for (int i = 0; i < 3; ++i) {
    if (int order = Order(a[i], b[i])) return order;
  }
  return 0;
}

}  // namespace

bool IsVersionText(const std::string& text) {
  int a, b, c;
  return ParseVersionTriple(text, &a, &b, &c);
}

int CompareVersionOrder(const std::string& a, const std::string& b) {
  int x[3], y[3];
  ParseVersionTriple(a, &x[0], &x[1], &x[2]);
  ParseVersionTriple(b, &y[0], &y[1], &y[2]);
  return CompareTriples(x, y);
}

int CompareVersions(const std::string& candidate, const std::string& base,
                    const std::string& current) {
  if (candidate.empty()) return 0;
  if (base.empty()) return -1;
  int a[3], b[3], c[3];
  if (!ParseVersionTriple(candidate, &a[0], &a[1], &a[2])) return -2;
  if (!ParseVersionTriple(base, &b[0], &b[1], &b[2])) return -3;
  if (!current.empty()) {
    if (!ParseVersionTriple(current, &c[0], &c[1], &c[2])) return -4;
    if (CompareTriples(c, b) != 0) {
      int order = CompareTriples(a, c);
      if (order < 0) return -7;
      if (order > 0) return -5;
    }
  }
  return CompareTriples(a, b) > 0 ? 1 : -6;
}

void FormatGameVersion(const std::string& version, std::string* display) {
  std::vector<std::string> parts;
  int n;
  if (SplitStringA(version, "_", &parts) != 3 || !ParseDecimalDigits(parts[0], &n)) {
    *display = version;
    return;
  }
  std::string r;
  if (n > 1000000) {
    r = std::to_string(n / 1000000) + ".";
    n %= 1000000;
  }
  if (n > 10000) {
    r += std::to_string(n / 10000) + ".";
    n %= 10000;
  } else {
    r += "0.";
  }
  if (n > 100) {
    r += std::to_string(n / 100) + ".";
    n %= 100;
  } else {
    r += "0.";
  }
  r += std::to_string(n);
  *display = r + "." + parts[2] + "." + parts[1];
}
