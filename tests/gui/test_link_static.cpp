#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QImage>
#include <QTest>
#include <QUrl>

#include "gui/link_static.h"

namespace wavelore {
namespace {

// Catches what the link would open in the browser.
class UrlCatcher : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> opened;

  public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

int PixelsOf(CLinkStatic& link, QRgb colour) {
    const QImage image = link.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += (image.pixel(x, y) & 0xffffff) == colour;
        }
    }
    return count;
}

TEST(LinkStatic, BlinksUntilTheBlinkBitIsClearedThenShowsTheTextAndStops) {
    CLinkStatic link;
    link.SetLinkText(QStringLiteral("Wavelore"));
    link.SetLinkStyle(CLinkStatic::kBlinking, QColor(0, 0, 255));
    link.resize(link.sizeHint());
    EXPECT_GT(PixelsOf(link, 0x0000ff), 0);

    link.SetBlinkTimer(60000);
    ASSERT_TRUE(link.BlinkTimerActive());
    link.BlinkTick();
    EXPECT_EQ(link.ShownText(), QString());
    EXPECT_EQ(PixelsOf(link, 0x0000ff), 0);
    link.BlinkTick();
    EXPECT_EQ(link.ShownText(), QStringLiteral("Wavelore"));
    link.BlinkTick();
    EXPECT_EQ(link.ShownText(), QString());

    link.SetLinkStyle(0, QColor(0, 0, 255));
    EXPECT_EQ(link.ShownText(), QString());  // until the next tick
    EXPECT_TRUE(link.BlinkTimerActive());
    link.BlinkTick();
    EXPECT_EQ(link.ShownText(), QStringLiteral("Wavelore"));
    EXPECT_GT(PixelsOf(link, 0x0000ff), 0);
    EXPECT_FALSE(link.BlinkTimerActive());
}

TEST(LinkStatic, OpensItsAddressOnALeftPressOnlyWhenClickable) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    CLinkStatic link;
    link.SetLinkText(QStringLiteral("https://example.org/navtex"));
    link.resize(200, 20);

    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_TRUE(catcher.opened.isEmpty());
    EXPECT_NE(link.cursor().shape(), Qt::PointingHandCursor);

    link.SetLinkStyle(CLinkStatic::kClickable, Qt::blue);
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(&link, Qt::RightButton);
    EXPECT_TRUE(catcher.opened.isEmpty());
    QTest::mouseClick(&link, Qt::LeftButton);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("https://example.org/navtex")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

}  // namespace
}  // namespace wavelore

#include "test_link_static.moc"
