#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <filesystem>

#include "app/profile_store.h"
#include "app/tip_of_the_day.h"
#include "gui/tip_dialog.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

TEST(TipDialog, WalksThroughTheTipsAndStoresTheStartUpChoiceOnClose) {
    test::ScopedTempDir dir;
    test::WriteFile("tips.txt", "; comment\nFirst tip\nSecond tip\n");
    CMemoryProfileStore profile;
    int boxes = 0;
    const MessageBoxRunner runner = [&](QWidget*, const MessageBoxContent&) {
        ++boxes;
        return QMessageBox::Ok;
    };

    // The start-up reads one tip on; the dialog it opens shows the next.
    EXPECT_TRUE(CTipDialog::ShowAtStartUp(profile, "tips.txt", runner, nullptr));
    {
        CTipDialog dialog(profile, "tips.txt", runner);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "Tip of the Day");
        EXPECT_EQ(dialog.TipLabel()->text(), "Second tip");
        EXPECT_TRUE(dialog.StartUpBox()->isChecked());
        QTest::mouseClick(dialog.NextButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.TipLabel()->text(), "First tip");
        dialog.StartUpBox()->setChecked(false);
        QTest::mouseClick(dialog.CloseButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(profile.GetInt(CTipOfTheDay::kSection, u"StartUp", -1), 1);
    EXPECT_FALSE(CTipDialog::ShowAtStartUp(profile, "tips.txt", runner, nullptr));

    // Without the file: the message, no next tip; closing otherwise than
    // with "Close" stores nothing.
    std::filesystem::remove("tips.txt");
    CTipDialog missing(profile, "tips.txt", runner);
    missing.show();
    EXPECT_EQ(missing.TipLabel()->text(), "Tips file does not exist in the prescribed directory");
    EXPECT_FALSE(missing.NextButton()->isEnabled());
    missing.StartUpBox()->setChecked(true);
    QTest::keyClick(&missing, Qt::Key_Escape);
    EXPECT_FALSE(missing.isVisible());
    EXPECT_EQ(profile.GetInt(CTipOfTheDay::kSection, u"StartUp", -1), 1);
    EXPECT_EQ(boxes, 0);
}

}  // namespace
}  // namespace wavelore
