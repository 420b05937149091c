#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "display/band_scope.h"
#include "display/waterfall.h"
#include "dsp/band_analyzer.h"
#include "support/tone_pair_block.h"

namespace wavelore {
namespace {

constexpr int32_t kBins = CWaterfall::kBins;

double Luminance(uint32_t argb) {
    return 0.2126 * ((argb >> 16) & 0xFF) + 0.7152 * ((argb >> 8) & 0xFF) + 0.0722 * (argb & 0xFF);
}

TEST(Waterfall, RowsNewestFirstRenderedAsTheStripsColumnsAndKeptToCapacity) {
    CWaterfall waterfall(3);
    ASSERT_TRUE(waterfall.Ready());
    EXPECT_EQ(waterfall.Row(0), nullptr);
    std::vector<int32_t> levels(kBins);
    for (int32_t row = 0; row < 4; ++row) {
        for (int32_t i = 0; i < kBins; ++i) {
            levels[static_cast<size_t>(i)] = row * 256 + i;  // index row + i/256
        }
        waterfall.AddSpectrum(levels.data());
    }
    waterfall.AddSpectrum(nullptr);
    EXPECT_EQ(waterfall.Filled(), 3);
    EXPECT_EQ(waterfall.Added(), 4u);
    EXPECT_EQ(waterfall.Row(0)[0], 3);  // the last added
    EXPECT_EQ(waterfall.Row(2)[0], 1);  // the first has gone
    EXPECT_EQ(waterfall.Row(3), nullptr);

    // Each column shows the bin the strip draws there; out-of-scale levels
    // (the low bins may lie far off) are clamped.
    const int32_t width = 800;
    std::vector<uint32_t> pixels(width);
    waterfall.RenderRow(0, width, pixels.data());
    for (int32_t x : {0, 1, 400, 799}) {
        const int32_t bin = CBandScope::BinOfColumn(x, width);
        EXPECT_EQ(pixels[static_cast<size_t>(x)],
                  CWaterfall::Colour(CWaterfall::ColourIndex(3 * 256 + bin)))
            << x;
    }
    waterfall.RenderRow(5, width, pixels.data());
    EXPECT_EQ(pixels[400], 0xFF000000u);
    EXPECT_EQ(CWaterfall::ColourIndex(-70000), 0);
    EXPECT_EQ(CWaterfall::ColourIndex(200000), 255);

    // A real spectrum lands on its tones: next to each tone marker the
    // brightest colours, far from them the dark ones.
    CBandAnalyzer analyzer;
    const SampleBlock block = test::TonePairBlock();
    analyzer.Process(block.Data(), static_cast<size_t>(block.Count()));
    waterfall.AddSpectrum(analyzer.Spectrum());
    waterfall.SetTuning(1500, 85);
    waterfall.RenderRow(0, width, pixels.data());
    for (int32_t tone : waterfall.ToneColumns(width)) {
        double brightest = 0.0;
        for (int32_t x = tone - 2; x <= tone + 2; ++x) {
            brightest = std::max(brightest, Luminance(pixels[static_cast<size_t>(x)]));
        }
        EXPECT_GT(brightest, 230.0) << tone;
    }
    EXPECT_LT(Luminance(pixels[static_cast<size_t>(CBandScope::ColumnOfFrequency(4000, width))]),
              150.0);
}

TEST(Waterfall, ColourMapOnlyBrightensFromBlackToWhite) {
    EXPECT_EQ(CWaterfall::Colour(0), 0xFF000000u);
    EXPECT_EQ(CWaterfall::Colour(255), 0xFFFFFFFFu);
    for (int32_t i = 1; i < CWaterfall::kColours; ++i) {
        EXPECT_GT(Luminance(CWaterfall::Colour(static_cast<uint8_t>(i))),
                  Luminance(CWaterfall::Colour(static_cast<uint8_t>(i - 1))))
            << i;
    }
}

TEST(Waterfall, MarkersAndTuningAsTheStrip) {
    CWaterfall waterfall(1);
    CBandScope strip;
    EXPECT_FALSE(waterfall.Tuned());
    waterfall.SetTuning(1700, 85);
    strip.SetTuning(1700, 85);
    EXPECT_EQ(waterfall.CentreColumn(800), 246);
    EXPECT_EQ(waterfall.ToneColumns(800), (std::array<int32_t, 2>{234, 259}));
    // The same presses and drags ask for the same frequencies.
    const struct {
        bool press;
        int32_t x;
        bool fine;
    } steps[] = {{false, 10, false}, {true, 0, false},   {true, 300, false},
                 {false, 350, true}, {false, 296, true}, {false, -40, false}};
    for (const auto& step : steps) {
        if (step.press) {
            EXPECT_EQ(waterfall.OnLeftButtonDown(step.x, 7, 1000),
                      strip.OnLeftButtonDown(step.x, 7, 1000));
        } else {
            EXPECT_EQ(waterfall.OnMouseMove(step.x, step.fine, 1000),
                      strip.OnMouseMove(step.x, step.fine, 1000));
        }
    }
    EXPECT_EQ(waterfall.OnLeftButtonDown(300, 7, 1000), 1653);
    EXPECT_EQ(waterfall.OnMouseMove(350, true, 1000), 1663);
    waterfall.OnLeftButtonUp();
    EXPECT_FALSE(waterfall.Dragging());
    EXPECT_EQ(waterfall.GetCentre(), 1700);  // requests only
}

}  // namespace
}  // namespace wavelore
