#pragma once
// A console reporter that, after the usual table, prints chosen cases as
// ratios of one another with their goals. Ratios between cases of one run
// hold on a shared, noisy machine where absolute times do not. Each ratio is
// printed twice when the cases were repeated: from the medians and from the
// minima, the least-disturbed repetition of each case, which others' work
// on the machine can only lengthen.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
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

// Adds the minimum of the repetitions to a case's aggregates, for cases that
// report only their aggregates.
inline void WithMinimum(benchmark::internal::Benchmark* b) {
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

// The processor's name and its class as the kernels see it, for the head of
// the output: ratios from one class say little about another.
inline std::string ProcessorClass() {
  std::string model = "unknown processor";
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    const auto colon = line.find(':');
    if (colon != std::string::npos && line.rfind("model name", 0) == 0) {
      model = line.substr(colon + 2);
      break;
    }
  }
  std::string kind;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
      __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vbmi")) {
    kind = "x86-64 with AVX-512 (BW, DQ, VL, VBMI)";
  } else if (__builtin_cpu_supports("avx2")) {
    kind = "x86-64 with AVX2, without AVX-512";
  } else if (__builtin_cpu_supports("sse4.2")) {
    kind = "x86-64 with SSE4, without AVX2";
  } else {
    kind = "x86-64 without SSE4";
  }
#elif defined(__aarch64__)
  kind = "ARM with NEON";
#else
  kind = "other";
#endif
  return model + ", " + kind;
}

class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit TRatioReporter(std::vector<TRatio> ratios) : ratios_(std::move(ratios)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.str();
      const double time = run.GetAdjustedRealTime();
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") medians_[name] = time;
        if (run.aggregate_name == "min") minima_[name] = time;
        continue;
      }
      times_[name] = time;
      const auto least = least_.find(name);
      if (least == least_.end() || time < least->second) least_[name] = time;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatios (from the medians when repeated, and from the minima):\n");
    for (const TRatio& r : ratios_) {
      const double a = Time(r.numerator), b = Time(r.denominator);
      if (a <= 0 || b <= 0) continue;
      const double lowA = Minimum(r.numerator), lowB = Minimum(r.denominator);
      if (Repeated(r.numerator) && Repeated(r.denominator) && lowA > 0 && lowB > 0) {
        std::printf("%-46s %6.2fx   minima %6.2fx   (goal %s)\n", r.label.c_str(), a / b, lowA / lowB,
                    r.goal.c_str());
      } else {
        std::printf("%-46s %6.2fx   (goal %s)\n", r.label.c_str(), a / b, r.goal.c_str());
      }
    }
  }

  // The case's median when repeated, else its time; 0 when it did not run.
  // In the unit the case reports in.
  double Time(const std::string& name) const {
    if (const auto m = medians_.find(name); m != medians_.end()) return m->second;
    const auto t = times_.find(name);
    return t != times_.end() ? t->second : 0.0;
  }

  // The case's least time over its repetitions (its only time when not
  // repeated); 0 when it did not run.
  double Minimum(const std::string& name) const {
    if (const auto m = minima_.find(name); m != minima_.end()) return m->second;
    const auto t = least_.find(name);
    return t != least_.end() ? t->second : 0.0;
  }

 private:
  bool Repeated(const std::string& name) const { return medians_.count(name) != 0; }

  std::vector<TRatio> ratios_;
  std::map<std::string, double> times_, medians_, minima_, least_;
};

}  // namespace tintloom::bench
