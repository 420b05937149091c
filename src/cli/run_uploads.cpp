#include "cli/run_uploads.h"

#include <chrono>

#include "app/qt/profile_store_qt.h"
#include "app/settings.h"
#include "common/utf.h"
#include "net/http_client.h"
#include "net/upload_host.h"

namespace wavelore::cli {

bool CRunUploads::Start(std::string& error) {
    if (!m_options.upload) {
        return true;
    }
    std::unique_ptr<CQtProfileStore> own;
    const IProfileStore* profile = m_profile;
    const bool needProfile = m_options.uid.empty() || m_options.uploadHost.empty();
    if (profile == nullptr && needProfile) {
        own = std::make_unique<CQtProfileStore>();
        profile = own.get();
    }

    std::u16string uid = FromUtf8(m_options.uid);
    if (uid.empty()) {
        uid = profile->GetString(CSettings::kSection, u"UID", u"");
    }
    if (uid.empty()) {
        error = "--upload: no upload ID; give one with --uid or store it as \"UID\"";
        return false;
    }

    std::u16string host = FromUtf8(m_options.uploadHost);
    if (host.empty()) {
        const std::u16string stored =
            profile->GetString(CSettings::kSection, kUploadHostSetting, u"");
        bool rejected = false;
        host = ChooseUploadHost(stored, &rejected);
        if (rejected) {
            error = "--upload: the stored \"UploadHost\" \"" + ToUtf8(stored) +
                    "\" is not HOST or HOST:PORT; give one with --upload-host";
            return false;
        }
    }

    m_session =
        std::make_unique<CUploadSession>(uid, host, [] { return std::make_unique<CHttpClient>(); });
    if (!m_session->Start()) {
        m_session.reset();
        error = "--upload: cannot start the upload thread";
        return false;
    }
    if (m_options.verbose) {
        std::fprintf(stderr, "wavelore-decode: uploading to %s\n", ToUtf8(host).c_str());
    }
    return true;
}

void CRunUploads::Poll() {
    if (m_session) {
        m_session->Poll();
    }
}

void CRunUploads::Finish(std::FILE* errors) {
    if (!m_session) {
        return;
    }
    m_session->Finish(std::chrono::seconds(m_options.uploadWait));
    std::string line = "wavelore-decode: uploads: " + std::to_string(m_session->Sent()) +
                       " sent, " + std::to_string(m_session->Left()) + " left";
    if (m_session->TooLong() > 0) {
        line += ", " + std::to_string(m_session->TooLong()) + " too long to upload";
    }
    std::fprintf(errors, "%s\n", line.c_str());
    std::fflush(errors);
    // Whatever is still queued or under way is abandoned here.
    m_session.reset();
}

}  // namespace wavelore::cli
