// Stored settings of any content, read back as the receiver reads them:
// the "Settings" values, the modes with their baud and shift (down to the
// receive chain they start), the upload host and the upload ID.
//
// Input: byte 0 is the mode switched to after the stored one is restored
// (modulo 8; 7 stays), then steps of one byte naming the value (an index
// into kNames, modulo its size), one byte of length n, then n UTF-16 units
// little-endian: the text stored under that name.
// Checks: an accepted host is one the HTTP client can open and reads back
// the same; the chosen host is always usable; ID checks ignore case;
// numbers read as the profile store reads them agree with the plain
// decimal conversion; any ID builds a request body.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/mode_controller.h"
#include "app/profile_store.h"
#include "app/receiver_config.h"
#include "app/settings.h"
#include "fuzz_input.h"
#include "net/http_client.h"
#include "net/reply_rules.h"
#include "net/upload_host.h"
#include "net/upload_request.h"
#include "receiver/receive_chain.h"

namespace {

using wavelore::fuzz::Require;

// The names a step can store under; the last two stand for the stored
// "MODE" text followed by "-BAUD" and "-SHIFT".
constexpr std::u16string_view kNames[] = {
    u"Frequency", u"PaneSplit",  u"StrictFEC",     u"BitSense",
    u"SmartTune", u"AFC",        u"MODE",          u"SoundDevice",
    u"UID",       u"UploadHost", u"SITOR-BAUD",    u"SITOR-SHIFT",
    u"RTTY-BAUD", u"RTTY-SHIFT", u"NAVTEX-BAUD",   u"NAVTEX-SHIFT",
    u"FAX-BAUD",  u"FAX-SHIFT",  u"AMTOR-BAUD",    u"AMTOR-SHIFT",
    u"DPSK-BAUD", u"DPSK-SHIFT", u"NAVTEX-J-BAUD", u"NAVTEX-J-SHIFT",
    u"MODE-BAUD", u"MODE-SHIFT",
};
constexpr size_t kNameCount = std::size(kNames);

bool IsHostChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'.' || c == u'-' || c == u'_' || c == u':';
}

// The main window's side of a mode change: builds the receive chain the
// mode asks for, with the stored frequency as it stands (running it is the
// receive_chain target's part).
class CModeView final : public wavelore::IModeView {
  public:
    explicit CModeView(const wavelore::CSettings& settings) : m_settings(settings) {}
    int32_t CentreFrequency() const override { return m_settings.Frequency(); }
    void SetTuning(int32_t, int32_t) override {}
    void SetCommandChecked(int32_t, bool) override {}
    void SetNavtexJChecked(bool) override {}
    void ShowMessagePane(bool) override {}
    void EnableAfc(bool) override {}
    void EnableStrictFec(bool) override {}
    void CloseWorkingFile() override {}
    void ModeSelected(wavelore::Mode) override {}
    void HideStatusLine() override {}
    bool StartDecoding(wavelore::Mode mode, int32_t centre, int32_t shift, int32_t baud) override {
        wavelore::ReceiverConfig config;
        config.mode = mode;
        config.centre = centre;
        config.shift = shift;
        config.baud = baud;
        config.strictFec = m_settings.StrictFec();
        config.invert = m_settings.BitSense();
        config.enhanced = m_settings.Enhanced();
        return wavelore::CReceiveChain::Create(config.Chain()) != nullptr;
    }

  private:
    const wavelore::CSettings& m_settings;
};

void CheckHost(std::u16string_view text) {
    wavelore::UploadHost host;
    const bool valid = wavelore::ParseUploadHost(text, host);
    if (valid) {
        Require(!host.name.empty() && host.port >= 1 && host.port <= 65535,
                "an accepted host without a name or port");
        for (const char16_t c : host.name) {
            Require(IsHostChar(c), "an accepted host the HTTP client refuses");
        }
        const bool v6 = host.name.find(u':') != std::u16string::npos;
        std::u16string again = v6 ? u"[" + host.name + u"]" : host.name;
        again += u":" + wavelore::DecimalText(host.port);
        wavelore::UploadHost reread;
        Require(wavelore::ParseUploadHost(again, reread) && reread.name == host.name &&
                    reread.port == host.port,
                "an accepted host does not read back the same");
    }
    bool rejected = false;
    const std::u16string chosen = wavelore::ChooseUploadHost(text, &rejected);
    Require(rejected == (!text.empty() && !valid), "a host refused or taken wrongly");
    Require(wavelore::ParseUploadHost(chosen, host), "the chosen host is unusable");
}

void CheckId(const std::u16string& uid) {
    Require(wavelore::IsUploadIdForm(uid) == wavelore::IsUploadIdForm(wavelore::UpperCaseId(uid)),
            "the ID form depends on case");
    for (const bool versionCheck : {false, true}) {
        const wavelore::UploadRequest request = wavelore::MakeServiceRequest(uid, versionCheck);
        std::vector<wavelore::FormField> fields;
        for (size_t slot = 0; slot < wavelore::UploadRequest::kSlotCount; ++slot) {
            fields.push_back({std::u16string(wavelore::UploadRequest::kFieldNames[slot]),
                              request.slots[slot], wavelore::FormField::kText});
        }
        std::string body;
        Require(wavelore::HttpClient::BuildBody(fields, body), "an ID that builds no request");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wavelore::fuzz::CFuzzInput in(data, size);
    const uint8_t nextMode = in.Byte() % 8;
    wavelore::CMemoryProfileStore store;
    wavelore::CSettings settings(store);
    while (!in.Empty()) {
        const size_t index = in.Byte() % kNameCount;
        const std::u16string value = in.Units(in.Byte());
        std::u16string name(kNames[index]);
        if (index >= kNameCount - 2) {
            name = settings.ModeName() + name.substr(4);
        }
        store.WriteString(wavelore::CSettings::kSection, name, value);
        int32_t whole = 0;
        if (wavelore::ParseWholeNumber(value, whole)) {
            Require(wavelore::DecimalValue(value) == whole, "two readings of one number differ");
        }
    }

    settings.PaneSplit();
    settings.SmartTune();
    settings.Afc();
    settings.SoundDevice();
    CModeView view(settings);
    wavelore::CModeController modes(settings, view);
    modes.RestoreMode();
    if (nextMode < wavelore::CModeController::kModes.size()) {
        modes.SetMode(wavelore::CModeController::kModes[nextMode].mode);
    }

    CheckHost(store.GetString(wavelore::CSettings::kSection, wavelore::kUploadHostSetting, u""));
    CheckId(settings.Uid());
    return 0;
}
