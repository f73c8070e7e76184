#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace orvanel::bench {

inline double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Three significant figures, without an exponent.
inline std::string figure(double value) {
  char text[32];
  const bool whole = value == static_cast<double>(static_cast<long long>(value));
  const int decimals = whole || value >= 100 ? 0 : value >= 10 ? 1 : value >= 1 ? 2 : 3;
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// One row of the benchmark table, as Markdown, which tools/bench.sh
// collects: what, our figure, the bare reference (or none), unit, goal on
// the ratio; the ratio is ours over the reference unless a measure gives
// its own.
inline void report(const std::string& what, double ours, double bare, const std::string& unit,
                   const std::string& goal, double ratio = 0) {
  std::printf("| %s | %s | %s | ", what.c_str(), figure(ours).c_str(),
              bare > 0 ? figure(bare).c_str() : "-");
  if (bare > 0) {
    std::printf("%.3f", ratio > 0 ? ratio : ours / bare);
  } else {
    std::printf("-");
  }
  std::printf(" | %s | %s |\n", unit.c_str(), goal.c_str());
  std::fflush(stdout);
}

}  // namespace orvanel::bench
