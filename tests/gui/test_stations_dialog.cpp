// "Stations and subjects": the fixed subjects stay chosen, OK writes the
// three settings and Cancel none.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/profile_store.h"
#include "app/settings.h"
#include "gui/stations_dialog.h"

namespace wavelore {
namespace {

QPushButton* Button(QWidget& dialog, const QString& text, int which) {
    int seen = 0;
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text && seen++ == which) {
            return button;
        }
    }
    return nullptr;
}

// NAVAREA 2, station G left out and Z added, subject E added to the ones
// that cannot be left out.
void Choose(CStationsDialog& dialog) {
    QTest::mouseClick(Button(dialog, "None", 1), Qt::LeftButton);
    dialog.SubjectList()->item(4)->setCheckState(Qt::Checked);
    dialog.NavAreaBox()->setCurrentIndex(dialog.NavAreaBox()->findText("2"));
    dialog.StationList()->item(6)->setCheckState(Qt::Unchecked);
    dialog.StationList()->item(25)->setCheckState(Qt::Checked);
}

TEST(StationsDialog, FixedSubjectsStayCheckedAndOkWritesTheChoice) {
    CMemoryProfileStore profile;
    CSettings settings(profile);
    settings.WriteSelection(CMessageSelection(u"EG", u"C"));
    {
        CStationsDialog dialog(settings);
        dialog.show();
        QListWidget* stations = dialog.StationList();
        QListWidget* subjects = dialog.SubjectList();
        ASSERT_EQ(stations->count(), 26);
        EXPECT_EQ(stations->item(4)->text(), "E  Niton");
        EXPECT_EQ(stations->item(4)->toolTip(), "518 kHz");
        EXPECT_EQ(stations->item(4)->checkState(), Qt::Checked);
        EXPECT_EQ(stations->item(5)->checkState(), Qt::Unchecked);
        EXPECT_EQ(subjects->item(3)->text(), "D  Search & Rescue");

        Choose(dialog);
        // "None" leaves A, B, D and L checked, and they cannot be changed.
        for (int i = 0; i < 26; ++i) {
            const bool fixed = i == 0 || i == 1 || i == 3 || i == 11;
            EXPECT_EQ(subjects->item(i)->checkState() == Qt::Checked, fixed || i == 4) << i;
            EXPECT_EQ(subjects->item(i)->flags().testFlag(Qt::ItemIsEnabled), !fixed) << i;
        }
        // Another NAVAREA names its own stations; the letters stay chosen.
        EXPECT_NE(stations->item(4)->text(), "E  Niton");
        EXPECT_EQ(stations->item(4)->checkState(), Qt::Checked);

        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        EXPECT_EQ(profile.GetString(u"Settings", u"Stations", u""), u"EG");
        EXPECT_EQ(profile.GetString(u"Settings", u"Subjects", u""), u"ABCDL");
        EXPECT_EQ(profile.GetString(u"Settings", u"NavArea", u"none"), u"none");
    }
    CStationsDialog dialog(settings);
    dialog.show();
    Choose(dialog);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(profile.GetString(u"Settings", u"Stations", u""), u"EZ");
    EXPECT_EQ(profile.GetString(u"Settings", u"Subjects", u""), u"ABDEL");
    EXPECT_EQ(settings.NavArea(), 2);
}

}  // namespace
}  // namespace wavelore
