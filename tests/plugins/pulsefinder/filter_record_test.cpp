#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "plugins/pulsefinder/comb_bank.h"
#include "plugins/pulsefinder/filter_record.h"

namespace quorix::pulsefinder {
namespace {

constexpr double kB0 = 0.00037506961629696, kB1 = 0.00075013923259393;
constexpr double kA1 = -1.94447765776709, kA2 = 0.94597793623228;

std::vector<double> noise(size_t count, unsigned seed) {
  std::srand(seed);
  std::vector<double> values(count);
  for (double& v : values) v = std::rand() % 255 - 127;
  return values;
}

bool buildLowPass(FilterRecord& filter) {
  return filter.build(2, {{0, kB0}, {1, kB1}, {2, kB0}}, {{0, 1.0}, {1, kA1}, {2, kA2}}, 0);
}

bool buildComb(FilterRecord& filter, uint32_t order, uint32_t history = 16) {
  return filter.build(order, {{0, 0.05}}, {{0, 1.0}, {order, -0.95}}, history);
}

TEST(FilterRecord, TransposedFormComputesTheDifferenceEquation) {
  FilterRecord lowPass;
  ASSERT_TRUE(buildLowPass(lowPass));
  EXPECT_FALSE(lowPass.sparse());
  std::vector<double> x = noise(2000, 7);
  std::vector<double> y(x.size());
  for (size_t t = 0; t < x.size(); ++t) {
    auto at = [&](const std::vector<double>& v, size_t back) { return t >= back ? v[t - back] : 0.0; };
    y[t] = kB0 * x[t] + kB1 * at(x, 1) + kB0 * at(x, 2) - kA1 * at(y, 1) - kA2 * at(y, 2);
  }
  std::vector<double> filtered = x;
  lowPass.run(filtered.data(), static_cast<uint32_t>(filtered.size()));
  for (size_t t = 0; t < x.size(); ++t) ASSERT_NEAR(filtered[t], y[t], 1e-9) << t;
  EXPECT_EQ(lowPass.lastInput(), x.back());
  EXPECT_EQ(lowPass.lastOutput(), filtered.back());
}

TEST(FilterRecord, CombRingsOncePerOrder) {
  FilterRecord comb;
  ASSERT_TRUE(buildComb(comb, 5));
  EXPECT_TRUE(comb.sparse());  // three non-zero coefficients, order 5
  std::vector<double> out;
  for (int t = 0; t < 16; ++t) out.push_back(comb.step(t == 0 ? 1.0 : 0.0));
  for (int t = 0; t < 16; ++t) {
    double expected = t % 5 == 0 ? 0.05 * std::pow(0.95, t / 5) : 0.0;
    EXPECT_DOUBLE_EQ(out[t], expected) << t;
  }
}

TEST(FilterRecord, SparsePathGivesTheDensePathsResult) {
  std::vector<double> x = noise(3000, 3);
  // A comb: bit for bit, its taps never share a slot.
  for (uint32_t order : {1u, 4u, 27u, 67u}) {
    FilterRecord dense, sparse;
    ASSERT_TRUE(buildComb(dense, order));
    ASSERT_TRUE(buildComb(sparse, order));
    for (double v : x) ASSERT_EQ(dense.stepDense(v), sparse.stepSparse(v)) << order;
  }
  // The low-pass taken through its tap lists: the same up to rounding.
  FilterRecord dense, sparse;
  ASSERT_TRUE(buildLowPass(dense));
  ASSERT_TRUE(buildLowPass(sparse));
  for (double v : x) ASSERT_NEAR(dense.stepDense(v), sparse.stepSparse(v), 1e-9);
}

TEST(FilterRecord, FeedRepeatsTheLastInputWithoutRecording) {
  FilterRecord fed, stepped;
  ASSERT_TRUE(buildComb(fed, 4, 8));
  ASSERT_TRUE(buildComb(stepped, 4, 8));
  for (FilterRecord* f : {&fed, &stepped}) {
    f->step(3.0);
    f->recordOutput();
  }
  fed.feed(6);
  for (int i = 0; i < 6; ++i) stepped.step(3.0);
  EXPECT_EQ(fed.lastOutput(), stepped.lastOutput());
  EXPECT_EQ(fed.step(1.0), stepped.step(1.0));
  // Only the one recorded output is in the history.
  int recorded = 0;
  for (double v : fed.outputHistory()) recorded += v != 0 ? 1 : 0;
  EXPECT_EQ(recorded, 1);
}

TEST(FilterRecord, PeakIsTheLargestPositiveOutputOfTheLastHistory) {
  FilterRecord comb;
  ASSERT_TRUE(buildComb(comb, 2, 4));
  comb.updatePeak();
  EXPECT_EQ(comb.peak(), 0);
  // Negative outputs only: the peak stays 0.
  for (int i = 0; i < 3; ++i) {
    comb.step(-10);
    comb.recordOutput();
  }
  comb.updatePeak();
  EXPECT_EQ(comb.peak(), 0);

  ASSERT_TRUE(buildComb(comb, 2, 4));
  comb.step(20);  // output 1.0
  comb.recordOutput();
  comb.updatePeak();
  EXPECT_DOUBLE_EQ(comb.peak(), 1.0);
  // Four more outputs push it out of the four-entry history.
  for (int i = 0; i < 4; ++i) {
    comb.step(0);
    comb.recordOutput();
  }
  comb.updatePeak();
  EXPECT_DOUBLE_EQ(comb.peak(), 0.95);  // its first echo, two samples later, is still in it
}

TEST(FilterRecord, BuildFailsCleanlyWhenMemoryRunsOut) {
  for (long successes = 0; successes < 7; ++successes) {
    FilterRecord comb;
    failTrackerAllocationsAfter(successes);
    bool built = buildComb(comb, 30, 215);
    failTrackerAllocationsAfter(-1);
    if (successes < 6) {
      EXPECT_FALSE(built) << successes;
      EXPECT_EQ(comb.order(), 0u);
    } else {
      EXPECT_TRUE(built);
    }
  }
  FilterRecord noOrder;
  EXPECT_FALSE(noOrder.build(0, {{0, 1.0}}, {{0, 1.0}}, 0));
}

// A comb answers an onset with an echo a period later: the period it reports as its tempo is
// the delay it resonates at, for every comb of the bank and whatever the format.
TEST(CombBank, EveryCombEchoesAfterItsPeriod) {
  struct Format {
    uint32_t rate, block;
  } formats[] = {{44100, 1024}, {48000, 1024}, {44100, 576}};
  for (const Format& format : formats) {
    SCOPED_TRACE(::testing::Message() << format.rate << " Hz, " << format.block << " samples");
    TrackerSizes sizes = *deriveTrackerSizes(format.rate, format.block);
    CombBank bank;
    ASSERT_TRUE(bank.build(sizes));
    ASSERT_EQ(bank.count(), sizes.combCount);
    std::vector<uint32_t> echo(bank.count(), 0);
    bank.run(1.0);
    for (uint32_t t = 1; t <= sizes.longestComb + 1; ++t) {
      bank.run(0.0);
      for (uint32_t k = 0; k < bank.count(); ++k) {
        if (echo[k] == 0 && bank.comb(k).lastOutput() != 0) {
          echo[k] = t;
          EXPECT_DOUBLE_EQ(bank.comb(k).lastOutput(), 0.05 * 0.95) << "comb " << k;
        }
      }
    }
    for (uint32_t k = 0; k < bank.count(); ++k) {
      EXPECT_EQ(bank.period(k), sizes.longestComb - k) << "comb " << k;
      EXPECT_EQ(echo[k], bank.period(k)) << "comb " << k;
    }
  }
}

TEST(CombBank, PeaksAreRecomputedAFewCombsAtATime) {
  TrackerSizes sizes = *deriveTrackerSizes(44100, 1024);
  CombBank bank;
  ASSERT_TRUE(bank.build(sizes));
  ASSERT_EQ(bank.count(), 41u);
  EXPECT_EQ(bank.period(0), 68u);
  EXPECT_EQ(bank.period(40), 28u);
  bank.run(1.0);  // every comb outputs 0.05
  auto updated = [&] {
    std::vector<uint32_t> combs;
    for (uint32_t k = 0; k < bank.count(); ++k) {
      if (bank.comb(k).peak() > 0) combs.push_back(k);
    }
    return combs;
  };
  bank.spreadPeakUpdates(0);  // due: comb 0
  EXPECT_EQ(updated(), std::vector<uint32_t>{0});
  bank.spreadPeakUpdates(5);  // due: up to 41 x 5 / 100 = 2
  EXPECT_EQ(updated(), (std::vector<uint32_t>{0, 1, 2}));
  bank.spreadPeakUpdates(140);  // past the interval: the rest, then the cursor wraps
  EXPECT_EQ(updated().size(), 41u);
}

}  // namespace
}  // namespace quorix::pulsefinder
