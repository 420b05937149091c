#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/mode_controller.h"
#include "app/profile_store.h"
#include "app/settings.h"

namespace wavelore {
namespace {

// Records what the controller asks of the main window.
class FakeView final : public IModeView {
  public:
    struct Start {
        DecoderType type;
        int32_t centre;
        int32_t halfShift;
        int32_t baud;
    };

    int32_t CentreFrequency() const override { return centre; }
    void SetTuning(int32_t c, int32_t half) override {
        tuning = {c, half};
        log.push_back("tune");
    }
    void SetCommandChecked(int32_t id, bool checked) override { checks[id] = checked; }
    void SetNavtexJChecked(bool checked) override { navtexJ = checked; }
    void ShowMessagePane(bool shown) override { pane = shown ? 1 : 0; }
    void EnableAfc(bool enabled) override { afc = enabled; }
    void EnableStrictFec(bool enabled) override { strictFec = enabled; }
    void CloseWorkingFile() override { ++closes; }
    void ModeSelected(Mode m) override { mode = m; }
    void HideStatusLine() override { log.push_back("status"); }
    bool StartDecoding(Mode m, int32_t c, int32_t shift, int32_t baud) override {
        starts.push_back({CModeController::Info(m).decoder, c, shift / 2, baud});
        log.push_back("start");
        return true;
    }

    std::vector<int32_t> Checked() const {
        std::vector<int32_t> out;
        for (const auto& [id, on] : checks) {
            if (on) {
                out.push_back(id);
            }
        }
        return out;
    }

    int32_t centre = 1700;
    std::pair<int32_t, int32_t> tuning{0, 0};
    std::map<int32_t, bool> checks;
    bool navtexJ = false;
    int pane = -1;  // -1: never told
    bool afc = true;
    bool strictFec = true;
    int closes = 0;
    Mode mode = Mode::Fax;
    std::vector<Start> starts;
    std::vector<std::string> log;
};

struct Rig {
    CMemoryProfileStore store;
    CSettings settings{store};
    FakeView view;
    CModeController modes{settings, view};

    std::u16string Get(std::u16string_view name) const {
        return store.GetString(CSettings::kSection, name, u"<none>");
    }
};

TEST(ModeController, EmptyProfileStartsNavtexAt100Baud170Hz) {
    Rig rig;
    rig.modes.RestoreMode();
    EXPECT_EQ(rig.modes.CurrentMode(), 2);
    EXPECT_EQ(rig.modes.Baud(), 100);
    EXPECT_EQ(rig.modes.Shift(), 170);
    ASSERT_EQ(rig.view.starts.size(), 1u);
    EXPECT_EQ(rig.view.starts[0].type, DecoderType::SitorB);
    EXPECT_EQ(rig.view.starts[0].centre, 1700);
    EXPECT_EQ(rig.view.starts[0].halfShift, 85);
    EXPECT_EQ(rig.view.starts[0].baud, 100);
    EXPECT_EQ(rig.view.mode, Mode::Navtex);
    EXPECT_FALSE(rig.view.navtexJ);
    EXPECT_EQ(rig.view.pane, 1);
    // 100 baud, 170 Hz and the NAVTEX command carry the marks.
    EXPECT_EQ(rig.view.Checked(), (std::vector<int32_t>{32776, 32778, 32782}));
    EXPECT_EQ(rig.view.log.back(), "status");
    EXPECT_EQ(rig.store.Size(), 0u);  // restoring writes nothing
}

TEST(ModeController, StoredModeIsRestoredWithItsValuesAndTuning) {
    Rig rig;
    rig.store.WriteString(u"Settings", u"MODE", u"NAVTEX-J");
    rig.store.WriteString(u"Settings", u"NAVTEX-J-BAUD", u"75");
    rig.store.WriteString(u"Settings", u"NAVTEX-J-SHIFT", u"425");
    rig.view.centre = 1000;
    rig.modes.RestoreMode();
    EXPECT_EQ(rig.modes.CurrentMode(), 6);
    EXPECT_TRUE(rig.view.navtexJ);
    EXPECT_EQ(rig.view.tuning, std::make_pair(1000, 212));  // 425 / 2
    ASSERT_EQ(rig.view.starts.size(), 1u);
    EXPECT_EQ(rig.view.starts[0].type, DecoderType::NavtexJ);
    EXPECT_EQ(rig.view.starts[0].halfShift, 212);
    EXPECT_EQ(rig.view.starts[0].baud, 75);
    EXPECT_EQ(rig.view.Checked(), (std::vector<int32_t>{32775, 32783}));
}

TEST(ModeController, UnknownStoredNameRunsNavtexButNamesTheValuesUntilTheModeChanges) {
    Rig rig;
    rig.store.WriteString(u"Settings", u"MODE", u"navtex");  // names are case-sensitive
    rig.store.WriteString(u"Settings", u"navtex-BAUD", u"50");
    rig.modes.RestoreMode();
    EXPECT_EQ(rig.modes.CurrentMode(), 2);
    EXPECT_EQ(rig.modes.Baud(), 50);
    EXPECT_EQ(rig.view.starts.back().type, DecoderType::SitorB);

    rig.modes.OnCommand(32788);  // 300 baud: applied, not saved
    EXPECT_EQ(rig.view.starts.back().baud, 300);
    EXPECT_EQ(rig.Get(u"navtex-BAUD"), u"50");

    rig.modes.OnNavtexJCheckBox(true);
    EXPECT_EQ(rig.Get(u"navtex-BAUD"), u"300");
    EXPECT_EQ(rig.Get(u"navtex-SHIFT"), u"170");
    EXPECT_EQ(rig.Get(u"NAVTEX-BAUD"), u"<none>");
    EXPECT_EQ(rig.Get(u"MODE"), u"NAVTEX-J");
}

TEST(ModeController, SwitchingSavesTheOldModeAndLoadsTheNewOne) {
    Rig rig;
    rig.store.WriteString(u"Settings", u"NAVTEX-BAUD", u"50");
    rig.store.WriteString(u"Settings", u"NAVTEX-SHIFT", u"200");
    rig.modes.RestoreMode();
    rig.modes.OnNavtexJCheckBox(true);
    EXPECT_EQ(rig.Get(u"NAVTEX-BAUD"), u"50");
    EXPECT_EQ(rig.Get(u"MODE"), u"NAVTEX-J");
    EXPECT_EQ(rig.modes.Baud(), 100);  // NAVTEX-J's defaults
    rig.modes.OnCommand(32774);        // 50 baud
    rig.modes.OnCommand(32780);        // 850 Hz
    EXPECT_EQ(rig.view.starts.back().halfShift, 425);
    EXPECT_EQ(rig.Get(u"NAVTEX-J-BAUD"), u"<none>");  // saved only on leaving

    // Unchecking saves NAVTEX-J's values and loads NAVTEX's.
    rig.modes.OnNavtexJCheckBox(false);
    EXPECT_EQ(rig.Get(u"NAVTEX-J-BAUD"), u"50");
    EXPECT_EQ(rig.Get(u"NAVTEX-J-SHIFT"), u"850");
    EXPECT_EQ(rig.modes.Baud(), 50);
    EXPECT_EQ(rig.modes.Shift(), 200);
    EXPECT_EQ(rig.view.starts.back().halfShift, 100);
    EXPECT_EQ(rig.Get(u"MODE"), u"NAVTEX");

    // A later start restores both modes' values.
    Rig next;
    next.store = rig.store;
    next.modes.RestoreMode();
    next.modes.OnNavtexJCheckBox(true);
    EXPECT_EQ(next.modes.Baud(), 50);
    EXPECT_EQ(next.modes.Shift(), 850);
}

TEST(ModeController, TheSameModeAgainSavesNothingButRetunesAndRestarts) {
    Rig rig;
    rig.modes.RestoreMode();
    rig.view.centre = 1500;
    rig.view.log.clear();
    rig.modes.SetMode(Mode::Navtex);
    EXPECT_EQ(rig.Get(u"NAVTEX-BAUD"), u"<none>");
    EXPECT_EQ(rig.Get(u"NAVTEX-SHIFT"), u"<none>");
    EXPECT_EQ(rig.view.tuning, std::make_pair(1500, 85));
    EXPECT_EQ(rig.view.starts.size(), 2u);
    EXPECT_EQ(rig.view.starts.back().centre, 1500);
    EXPECT_EQ(rig.view.log, (std::vector<std::string>{"tune", "status", "start"}));
}

TEST(ModeController, ASourceChangeRestartsTheCurrentModeAsTunedOnceThereIsOne) {
    Rig rig;
    EXPECT_FALSE(rig.modes.RestartDecoding());
    EXPECT_TRUE(rig.view.starts.empty());
    rig.modes.RestoreMode();
    ASSERT_TRUE(rig.modes.OnCommand(32773));  // 45 baud
    rig.view.centre = 1234;
    rig.view.log.clear();
    rig.view.mode = Mode::Fax;
    EXPECT_TRUE(rig.modes.RestartDecoding());
    // Only the decoder starts again: no retune, no mode change, nothing stored.
    EXPECT_EQ(rig.view.log, (std::vector<std::string>{"start"}));
    EXPECT_EQ(rig.view.mode, Mode::Fax);
    EXPECT_EQ(rig.view.starts.back().type, DecoderType::SitorB);
    EXPECT_EQ(rig.view.starts.back().centre, 1234);
    EXPECT_EQ(rig.view.starts.back().halfShift, 85);
    EXPECT_EQ(rig.view.starts.back().baud, 45);
}

TEST(ModeController, PaneAndBoxesFollowTheModeTable) {
    Rig rig;
    rig.modes.RestoreMode();
    EXPECT_EQ(rig.view.closes, 0);

    rig.modes.OnCommand(32771);  // SITOR: pane hidden, Strict FEC still usable
    EXPECT_EQ(rig.view.pane, 0);
    EXPECT_FALSE(rig.view.afc);
    EXPECT_TRUE(rig.view.strictFec);
    EXPECT_EQ(rig.view.closes, 1);  // the working file is not finished in SITOR
    EXPECT_EQ(rig.view.mode, Mode::Sitor);
    EXPECT_EQ(rig.view.starts.back().type, DecoderType::SitorB);

    rig.modes.OnCommand(32787);  // AMTOR
    EXPECT_FALSE(rig.view.strictFec);
    EXPECT_EQ(rig.view.starts.back().type, DecoderType::Amtor);
    EXPECT_EQ(rig.view.Checked().back(), 32787);

    rig.modes.OnCommand(32786);  // FAX leaves the pane alone
    rig.view.pane = -1;
    rig.modes.OnCommand(32793);  // so does DPSK
    EXPECT_EQ(rig.view.pane, -1);
    EXPECT_EQ(rig.view.starts.back().type, DecoderType::Dpsk);

    rig.modes.OnCommand(32782);  // NAVTEX shows it and enables both boxes
    EXPECT_EQ(rig.view.pane, 1);
    EXPECT_TRUE(rig.view.afc);
    EXPECT_TRUE(rig.view.strictFec);

    EXPECT_FALSE(rig.modes.OnCommand(12345));
    EXPECT_EQ(rig.Get(u"SITOR-BAUD"), u"100");
    EXPECT_EQ(rig.Get(u"RTTY-BAUD"), u"<none>");
}

TEST(ModeController, RttyStartsAt45BaudAsWaveloreDecodeDoesAndKeepsAStoredBaud) {
    Rig rig;
    rig.store.WriteString(CSettings::kSection, u"MODE", u"RTTY");
    rig.modes.RestoreMode();
    EXPECT_EQ(rig.view.starts.back().baud, 45);
    EXPECT_TRUE(rig.view.checks[32773]);
    rig.modes.SetMode(Mode::Navtex);
    EXPECT_EQ(rig.view.starts.back().baud, 100);
    EXPECT_EQ(rig.Get(u"RTTY-BAUD"), u"45");

    rig.store.WriteString(CSettings::kSection, u"RTTY-BAUD", u"50");
    rig.modes.SetMode(Mode::Rtty);
    EXPECT_EQ(rig.view.starts.back().baud, 50);
}

TEST(ModeController, ShiftCommandsHalveWithIntegerDivision) {
    for (const auto& [command, half] : std::vector<std::pair<int32_t, int32_t>>{
             {32778, 85}, {32784, 100}, {32783, 212}, {32779, 225}, {32780, 425}}) {
        Rig rig;
        rig.modes.RestoreMode();
        rig.modes.OnCommand(command);
        EXPECT_EQ(rig.view.starts.back().halfShift, half) << command;
        EXPECT_EQ(rig.view.tuning.second, half);
    }
}

}  // namespace
}  // namespace wavelore
