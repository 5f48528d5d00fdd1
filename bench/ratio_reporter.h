#pragma once
// A console reporter that, after the usual table, prints chosen cases as
// ratios of one another with their goals. Ratios between cases of one run
// hold on a shared, noisy machine where absolute times do not.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tintloom::bench {

struct TRatio {
  std::string label;
  std::string numerator;    // run names, as the table prints them
  std::string denominator;
  std::string goal;
};

class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit TRatioReporter(std::vector<TRatio> ratios) : ratios_(std::move(ratios)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool aggregate = run.run_type == Run::RT_Aggregate;
      if (aggregate && run.aggregate_name != "median") continue;
      (aggregate ? medians_ : times_)[run.run_name.str()] = run.GetAdjustedRealTime();
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatios (medians when repeated):\n");
    for (const TRatio& r : ratios_) {
      const double a = Time(r.numerator), b = Time(r.denominator);
      if (a > 0 && b > 0) std::printf("%-46s %6.2fx   (goal %s)\n", r.label.c_str(), a / b, r.goal.c_str());
    }
  }

  // The case's median when repeated, else its time; 0 when it did not run.
  // In the unit the case reports in.
  double Time(const std::string& name) const {
    if (const auto m = medians_.find(name); m != medians_.end()) return m->second;
    const auto t = times_.find(name);
    return t != times_.end() ? t->second : 0.0;
  }

 private:
  std::vector<TRatio> ratios_;
  std::map<std::string, double> times_, medians_;
};

}  // namespace tintloom::bench
