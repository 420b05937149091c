#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <vector>

#include "common/modes.h"
#include "dsp/band_analyzer.h"
#include "gui/centre_frequency_dialog.h"
#include "gui/level_meter_wnd.h"
#include "gui/band_strip_wnd.h"
#include "gui/waterfall_wnd.h"
#include "support/tone_pair_block.h"

namespace wavelore {
namespace {

QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(WaterfallWnd, RowsScrollDownMarkersOnTopAndClicksTuneAsTheStrip) {
    CWaterfallWnd waterfall;
    waterfall.resize(551, 60);
    waterfall.show();
    CBandAnalyzer analyzer;
    const SampleBlock block = test::TonePairBlock();
    for (int i = 0; i < 2; ++i) {
        analyzer.Process(block.Data(), static_cast<size_t>(block.Count()));
    }
    waterfall.AddSpectrum(analyzer.Spectrum());
    const QImage one = Grab(waterfall);
    const std::vector<int32_t> dark(CWaterfall::kBins, 0);
    waterfall.AddSpectrum(dark.data());
    const QImage two = Grab(waterfall);
    const int tone = CBandScope::ColumnOfFrequency(1585, 551);
    int brightest = 0;
    for (int x = tone - 2; x <= tone + 2; ++x) {
        brightest = std::max(brightest, qGray(one.pixel(x, 0)));
    }
    EXPECT_GT(brightest, 200);  // a bright line at the tone
    for (int x = 0; x < 551; x += 7) {
        EXPECT_EQ(two.pixel(x, 0) & 0xffffff, 0u) << x;  // the newest on top
        EXPECT_EQ(two.pixel(x, 1), one.pixel(x, 0)) << x;
        EXPECT_EQ(two.pixel(x, 2) & 0xffffff, 0u) << x;
    }

    QSignalSpy spy(&waterfall, &CWaterfallWnd::frequencyRequested);
    QTest::mouseClick(&waterfall, Qt::LeftButton, {}, QPoint(200, 30));
    EXPECT_EQ(spy.count(), 0);  // not tuned yet
    waterfall.SetTuning(1700, 85);
    const QImage tuned = Grab(waterfall);
    const int centre = waterfall.Model().CentreColumn(551);
    EXPECT_EQ(tuned.pixel(centre, 5) & 0xffffff, 0xff0000u);
    EXPECT_EQ(tuned.pixel(waterfall.Model().ToneColumns(551)[1], 20) & 0xffffff, 0xffff00u);
    EXPECT_EQ(tuned.pixel(centre, 40), two.pixel(centre, 40));  // rows free below

    QTest::mouseClick(&waterfall, Qt::LeftButton, {}, QPoint(0, 30));
    QTest::mousePress(&waterfall, Qt::LeftButton, {}, QPoint(200, 30));
    EXPECT_EQ(QWidget::mouseGrabber(), &waterfall);
    QTest::mouseRelease(&waterfall, Qt::LeftButton, {}, QPoint(200, 30));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).value<int32_t>(), 86);
    EXPECT_EQ(spy.at(1).at(0).value<int32_t>(), 2000);
}

TEST(WindowParts, LevelMeterShowsClippingAndTheDialogKeepsToTheTuningRange) {
    CLevelMeterWnd meter;
    meter.resize(400, 20);
    SampleBlock loud(nullptr, kSamplesPerBuffer);
    loud[5] = 32767 * kSampleScale;
    meter.AddBlock(loud);
    meter.SetChainState(CLevelMeter::ChainState{100.0, true});
    const QImage image = Grab(meter);
    int red = 0;
    for (int x = 0; x < 400; ++x) {
        red += (image.pixel(x, 10) & 0xffffff) == 0xe60000u ? 1 : 0;
    }
    EXPECT_GT(red, 5);
    EXPECT_TRUE(meter.Model().Clipping());

    CCentreFrequencyDialog dialog(20, 85);
    EXPECT_EQ(dialog.Frequency(), 86);
    dialog.FrequencyEdit()->setValue(9000);
    EXPECT_EQ(dialog.Frequency(), 5426);
}

}  // namespace
}  // namespace wavelore
