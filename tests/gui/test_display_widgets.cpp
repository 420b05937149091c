#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "gui/band_strip_wnd.h"
#include "gui/signal_wnd.h"
#include "support/tone_pair_block.h"

namespace wavelore {
namespace {

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kRed = 0xff0000;
constexpr QRgb kYellow = 0xffff00;
constexpr QRgb kWhite = 0xffffff;
constexpr QRgb kGrey = 0x404040;
constexpr QRgb kCyan = 0x00ffff;

// 551 pixels: 10.0036 Hz a column, so columns are truncated, not rounded.
constexpr int kWidth = 551;
constexpr int kHeight = 80;

QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xffffff;
}

// Rows top..bottom (inclusive) of column x that have the colour.
bool ColumnRun(const QImage& image, int x, int top, int bottom, QRgb colour) {
    for (int y = top; y <= bottom; ++y) {
        if (At(image, x, y) != colour) {
            ADD_FAILURE() << "column " << x << " row " << y << ": " << std::hex << At(image, x, y);
            return false;
        }
    }
    return true;
}

TEST(SpectrumWnd, PaintsMarkersLabelAndScaleOnBlack) {
    CSpectrumWnd strip;
    strip.resize(kWidth, kHeight);
    strip.SetTuning(1700, 85);
    const QImage image = Grab(strip);

    // Label "1700Hz" on an opaque black ground under the centre column 169;
    // drawn after the tone markers, so it cuts them off.
    const QFontMetrics metrics(strip.font());
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("1700Hz"));
    const QRect label(169 - labelWidth / 2, kHeight - metrics.height(), labelWidth,
                      metrics.height());
    ASSERT_GT(label.top(), 60);
    ASSERT_LT(label.left(), 161);
    ASSERT_GT(label.right(), 178);

    // Centre marker rows H/4..H-H/4, tone markers (1615 and 1785 Hz) rows
    // H/8..H-H/8 where the label leaves them.
    EXPECT_TRUE(ColumnRun(image, 169, 20, 60, kRed));
    EXPECT_EQ(At(image, 169, 19), kBlack);
    EXPECT_EQ(At(image, 170, 40), kBlack);
    for (int x : {161, 178}) {
        EXPECT_TRUE(ColumnRun(image, x, 10, label.top() - 1, kYellow));
        EXPECT_EQ(At(image, x, 9), kBlack);
        EXPECT_EQ(At(image, x + 1, 30), kBlack);
        EXPECT_NE(At(image, x, label.top()), kYellow);
    }

    // White text, smoothed to light grey at the glyph edges.
    int textPixels = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const QRgb p = At(image, x, y);
            if (qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) > 128) {
                EXPECT_TRUE(label.contains(x, y)) << x << "," << y;
                textPixels += p == kWhite;
            }
        }
    }
    EXPECT_GT(textPixels, 5);

    // Scale: a grey line on row H-2 over the label too, ticks up to row
    // H-8 at 1000 Hz (column 99), up to H-4 at 100 Hz (column 9).
    for (int x = 0; x < kWidth; ++x) {
        ASSERT_EQ(At(image, x, kHeight - 2), kGrey) << x;
    }
    EXPECT_TRUE(ColumnRun(image, 99, kHeight - 8, kHeight - 2, kGrey));
    EXPECT_EQ(At(image, 99, kHeight - 9), kBlack);
    EXPECT_TRUE(ColumnRun(image, 9, kHeight - 4, kHeight - 2, kGrey));
    EXPECT_EQ(At(image, 9, kHeight - 5), kBlack);
    EXPECT_EQ(At(image, 10, kHeight - 3), kBlack);
    EXPECT_EQ(At(image, 10, kHeight - 1), kBlack);
}

TEST(SpectrumWnd, TraceStartsWithBinOne) {
    CSpectrumWnd strip;
    strip.resize(kWidth, kHeight);
    strip.SetTuning(1700, 85);
    EXPECT_EQ(At(Grab(strip), 300, 30), kBlack);  // no spectrum yet
    CBandAnalyzer analyzer;
    const SampleBlock block = test::TonePairBlock();
    analyzer.Process(block.Data(), static_cast<size_t>(block.Count()));
    strip.ShowSpectrum(analyzer.Spectrum());
    const QImage image = Grab(strip);

    const int32_t* spectrum = strip.Model().Spectrum();
    ASSERT_NE(spectrum, nullptr);
    const int traceHeight = kHeight - 3;
    const int first = CBandScope::RowOfLevel(spectrum[1], traceHeight);
    // Bin 0 (always 0) would have put the first point on the bottom row.
    ASSERT_LT(first, traceHeight - 5);
    ASSERT_GE(first, 0);
    EXPECT_EQ(At(image, 0, first), kCyan);
    EXPECT_NE(At(image, 0, traceHeight), kCyan);
    int points = 0;
    for (int x = 0; x < kWidth; ++x) {
        const int bin = x * 1024 / kWidth;
        const int y = CBandScope::RowOfLevel(spectrum[x == 0 ? 1 : bin], traceHeight);
        if (y >= 0 && y < kHeight) {
            EXPECT_EQ(At(image, x, y), kCyan) << x;
            ++points;
        }
    }
    EXPECT_GT(points, kWidth / 2);
}

class SpectrumMouse : public ::testing::Test {
  protected:
    void SetUp() override {
        strip.resize(kWidth, kHeight);
        strip.show();
    }
    void Move(int x, Qt::KeyboardModifiers modifiers) {
        const QPointF at(x, 10);
        QMouseEvent move(QEvent::MouseMove, at, strip.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         modifiers);
        QApplication::sendEvent(&strip, &move);
    }
    QList<int32_t> Requests() {
        QList<int32_t> values;
        for (const QList<QVariant>& call : spy) {
            values.append(call.at(0).value<int32_t>());
        }
        spy.clear();
        return values;
    }

    CSpectrumWnd strip;
    QSignalSpy spy{&strip, &CSpectrumWnd::frequencyRequested};
};

TEST_F(SpectrumMouse, ClicksAndDragsRequestFrequenciesOnceTuned) {
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_TRUE(Requests().isEmpty());

    strip.SetTuning(1700, 85);
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(0, 10));
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(kWidth - 1, 10));
    EXPECT_EQ(Requests(), (QList<int32_t>{86, 5426}));

    // Press at 2000.7 Hz; Ctrl: 1 Hz per 5 pixels from there.
    QTest::mousePress(&strip, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_EQ(QWidget::mouseGrabber(), &strip);
    Move(250, Qt::ControlModifier);
    Move(250, Qt::NoModifier);
    EXPECT_EQ(Requests(), (QList<int32_t>{2000, 2010, 2500}));
    QTest::mouseRelease(&strip, Qt::LeftButton, {}, QPoint(250, 10));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    Move(300, Qt::NoModifier);
    EXPECT_TRUE(Requests().isEmpty());
    EXPECT_EQ(strip.GetCentre(), 1700);  // tuning comes back only by SetTuning
}

TEST(SignalWnd, TraceRowsFollowTheHistory) {
    CSignalWnd panel;
    panel.resize(250, 61);
    panel.AddBlock(SampleBlock(nullptr, 2048));
    const QImage first = Grab(panel);
    for (int y = 0; y < 61; ++y) {
        for (int x = 0; x < 250; ++x) {
            ASSERT_EQ(At(first, x, y), kBlack) << x << "," << y;
        }
    }

    // One value a point: +100 at point 400, +10 at 450, -100 at 498.
    SampleBlock block(nullptr, 100);
    block[0] = 25.0;
    block[50] = 2.5;
    block[98] = -25.0;
    panel.AddBlock(block);
    const QImage image = Grab(panel);
    // Column x shows point 2x; rows trunc(point * 0.305) + 30.
    EXPECT_EQ(At(image, 0, 30), kRed);
    EXPECT_EQ(At(image, 199, 30), kRed);
    EXPECT_TRUE(ColumnRun(image, 200, 31, 60, kRed));  // the jump down to +100
    EXPECT_EQ(At(image, 225, 33), kRed);
    EXPECT_EQ(At(image, 249, 0), kRed);
    EXPECT_EQ(At(image, 100, 29), kBlack);
    EXPECT_EQ(At(image, 100, 31), kBlack);
    EXPECT_EQ(At(image, 224, 33), kBlack);
}

}  // namespace
}  // namespace wavelore
