#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "app/message_sinks.h"
#include "app/profile_store.h"
#include "app/upload_session.h"
#include "cli/cli_options.h"

namespace wavelore::cli {

// The uploads of one run (--upload): the upload ID and host from the
// command line, else from the user's settings ("UID", "UploadHost"); every
// completed message goes to the service, and at the end the tool waits a
// bounded time for the queue and says how it went.
class CRunUploads {
  public:
    // profile: where "UID" and "UploadHost" are read when the command line
    // does not give them; null for the user's own settings.
    explicit CRunUploads(const CliOptions& options, const IProfileStore* profile = nullptr)
        : m_options(options), m_profile(profile) {}

    // Nothing to do without --upload. False, with error set, when uploads
    // were asked for and cannot work (no upload ID, a bad stored host, no
    // worker thread).
    bool Start(std::string& error);
    // The hook for the message assembler; null without --upload.
    IUploadHook* Hook() { return m_session ? &m_session->Hook() : nullptr; }
    // Handles the results that arrived (failed requests queue again).
    void Poll();
    // Waits up to --upload-wait seconds for the queue and reports on
    // errors: "uploads: N sent, M left".
    void Finish(std::FILE* errors);

  private:
    const CliOptions& m_options;
    const IProfileStore* m_profile;
    std::unique_ptr<CUploadSession> m_session;
};

}  // namespace wavelore::cli
