// wavelore-screenshot: renders the receiver's window, decoding a recording,
// to a PNG file (the README's pictures).
//   wavelore-screenshot [--translation DIR] [--setting NAME=VALUE]... RECORDING OUT.png [TEXT]
// Plays the recording in real time (so the processor load shown is the
// real one), offscreen, with default settings kept in a temporary
// directory, until TEXT (default: the end of the recording) has been
// decoded, then chooses the newest day in the Message Explorer and grabs
// the window. With --translation, the translation file
// in DIR gives the texts, as it does beside the program; each --setting
// is stored in the section "Settings" before the window starts. The alarm
// never sounds.
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QTreeWidget>

#include "app/qt/profile_store_qt.h"
#include "app/settings.h"
#include "audio/alarm_player.h"
#include "audio/recording_wave_in.h"
#include "common/clock.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "gui/color_edit_wnd.h"
#include "gui/main_window.h"
#include "gui/message_explorer_wnd.h"
#include "gui/startup.h"
#include "system/system_info.h"

namespace {

class CStderrNotifier final : public wavelore::IUserNotifier {
  public:
    void ShowMessage(const std::u16string& text) override {
        std::fprintf(stderr, "wavelore-screenshot: %s\n", wavelore::ToUtf8(text).c_str());
    }
};

// No sound card: the recording is the only source.
class CNoDevices final : public wavelore::IWaveInDriver {
  public:
    uint32_t GetNumDevs() override { return 0; }
    wavelore::MmResult GetDevCaps(uint32_t, wavelore::WaveInCaps&) override {
        return wavelore::MMSYSERR_BADDEVICEID;
    }
    wavelore::MmResult Open(uint32_t, const wavelore::WaveFormat&, wavelore::CThreadMessageQueue*,
                            std::unique_ptr<wavelore::IWaveInDevice>&) override {
        return wavelore::MMSYSERR_BADDEVICEID;
    }
};

// The pictures are taken in silence.
class CSilentAlarm final : public wavelore::IAlarmSound {
  public:
    bool Start(std::chrono::seconds, std::string&) override { return true; }
    void Stop() override {}
    bool Sounding() const override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace wavelore;
    const char* translationDir = nullptr;
    std::vector<std::pair<std::string, std::string>> settings;
    bool usage = false;
    while (argc > 2 && !usage && std::string(argv[1]).starts_with("--")) {
        const std::string option = argv[1];
        const std::string value = argv[2];
        const size_t equals = value.find('=');
        if (option == "--translation") {
            translationDir = argv[2];
        } else if (option == "--setting" && equals != std::string::npos && equals > 0) {
            settings.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        } else {
            usage = true;
        }
        argv += 2;
        argc -= 2;
    }
    if (usage || argc < 3 || argc > 4) {
        std::fprintf(stderr,
                     "usage: wavelore-screenshot [--translation DIR] [--setting NAME=VALUE]... "
                     "RECORDING OUT.png [TEXT]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTranslator translator;
    QTranslator qtTexts;
    if (translationDir != nullptr &&
        !InstallTranslation(translator, qtTexts, QString::fromLocal8Bit(translationDir))) {
        std::fprintf(stderr, "wavelore-screenshot: no usable %s in %s\n", kTranslationFile,
                     translationDir);
        return 2;
    }
    QTemporaryDir work;
    CQtProfileStore profile(std::filesystem::path(work.path().toStdString()) / "settings.ini");
    for (const auto& [name, value] : settings) {
        profile.WriteString(CSettings::kSection, FromUtf8(name), FromUtf8(value));
    }
    CNoDevices devices;
    CStderrNotifier notifier;
    CSystemClock clock;
    CProcSystemFacts facts;
    MainWindowSetup setup(profile, devices, notifier, notifier, clock, facts,
                          work.path().toStdString());
    setup.play = argv[1];
    CSilentAlarm alarm;
    setup.alarmSound = &alarm;

    CMainWindow window(setup);
    window.show();
    const std::u16string until = argc == 4 ? FromUtf8(argv[3]) : std::u16string();
    const auto done = [&] {
        const CRecordingWaveIn* recording = window.Decoding().Recording();
        if (recording == nullptr) {
            return true;
        }
        if (!until.empty()) {
            return window.RawView()->Model().Text().find(until) != std::u16string::npos ||
                   recording->Ended();
        }
        return recording->Ended();
    };
    if (!QTest::qWaitFor(done, 600000)) {
        std::fprintf(stderr, "wavelore-screenshot: the recording did not end\n");
        return 1;
    }
    // A new day waits in the explorer to be chosen: choose it, as a user
    // would, so that its messages show.
    QTreeWidget* days = window.Explorer()->DayTree();
    if (days->topLevelItemCount() > 0) {
        QTreeWidgetItem* last = days->topLevelItem(days->topLevelItemCount() - 1);
        QTest::mouseClick(days->viewport(), Qt::LeftButton, {},
                          days->visualItemRect(last).center());
    }
    if (!window.grab().save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "wavelore-screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
