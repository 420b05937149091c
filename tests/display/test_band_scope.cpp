#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "display/band_scope.h"

namespace wavelore {
namespace {

TEST(SpectrumMouse, ClicksAndDragsRequestClampedFrequencies) {
    CBandScope analyzer;
    analyzer.SetTuning(1700, 85);
    EXPECT_FALSE(analyzer.OnMouseMove(10, false, 1000).has_value());  // not dragging
    EXPECT_EQ(analyzer.OnLeftButtonDown(0, 5, 1000), 86);
    EXPECT_EQ(analyzer.OnLeftButtonDown(1000, 5, 1000), 5426);
    EXPECT_EQ(analyzer.OnLeftButtonDown(300, 5, 1000), 1653);  // 1653.6
    // Ctrl: 1 Hz per 5 whole pixels from the press point.
    EXPECT_EQ(analyzer.OnMouseMove(350, true, 1000), 1663);
    EXPECT_EQ(analyzer.OnMouseMove(296, true, 1000), 1653);
    EXPECT_EQ(analyzer.OnMouseMove(500, false, 1000), 2756);
    EXPECT_EQ(analyzer.OnMouseMove(-40, false, 1000), 86);
    analyzer.OnLeftButtonUp();
    EXPECT_FALSE(analyzer.OnMouseMove(500, false, 1000).has_value());
    EXPECT_FALSE(analyzer.OnLeftButtonDown(10, 5, 0).has_value());
}

TEST(SpectrumTrace, PlainByDefaultAveragedOrPeaksHeldOnRequest) {
    constexpr int32_t kBins = CBandScope::kBins;
    std::vector<int32_t> first(kBins);
    std::vector<int32_t> second(kBins);
    for (int32_t i = 0; i < kBins; ++i) {
        const size_t k = static_cast<size_t>(i);
        first[k] = (i * 61) % CBandAnalyzer::kFullScale;
        second[k] = i < kBins / 3 ? first[k] : first[k] / 7;
    }

    for (CBandScope::Trace trace :
         {CBandScope::Trace::Plain, CBandScope::Trace::Average, CBandScope::Trace::PeakHold}) {
        CBandScope scope;
        EXPECT_EQ(scope.CurrentTrace(), CBandScope::Trace::Plain);
        scope.SetTrace(trace);
        EXPECT_EQ(scope.TraceLevels(), nullptr);
        scope.SetSpectrum(first.data());
        EXPECT_EQ(std::vector<int32_t>(scope.TraceLevels(), scope.TraceLevels() + kBins), first);
        scope.SetSpectrum(second.data());
        for (int32_t i = 0; i < kBins; ++i) {
            const size_t k = static_cast<size_t>(i);
            int32_t expected = second[k];
            if (trace == CBandScope::Trace::Average) {
                expected = first[k] + (second[k] - first[k]) / CBandScope::kAverageBlocks;
            } else if (trace == CBandScope::Trace::PeakHold) {
                expected = std::max(second[k], first[k] - CBandScope::kPeakFall);
            }
            ASSERT_EQ(scope.TraceLevels()[i], expected) << i;
        }
        EXPECT_EQ(scope.Spectrum()[100], second[100]);  // the spectrum itself untouched
    }
}

TEST(SpectrumPainting, ColumnsBinsAndRows) {
    EXPECT_EQ(CBandScope::ColumnOfFrequency(5512, 800), 800);
    EXPECT_EQ(CBandScope::ColumnOfFrequency(1700, 800), 246);
    EXPECT_EQ(CBandScope::BinOfColumn(0, 800), 1);  // never the DC bin
    EXPECT_EQ(CBandScope::BinOfColumn(400, 800), 512);
    EXPECT_EQ(CBandScope::BinOfColumn(799, 800), 1022);
    EXPECT_EQ(CBandScope::RowOfLevel(65535, 100), 1);
    EXPECT_EQ(CBandScope::RowOfLevel(0, 100), 100);
    EXPECT_EQ(CBandScope::RowOfLevel(-65536, 100), 200);  // below the strip
}

}  // namespace
}  // namespace wavelore
