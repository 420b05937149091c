// A reception (framer, store and raw log) on any UTF-16 text, in a
// directory of its own, as the main window runs it.
//
// Input: byte 0 is the mode (modulo 7), then steps, each one byte k:
//   k < 0xF0   a decoded chunk: one byte of error count, then k UTF-16
//              units little-endian (good count k)
//   0xF0       the clock moves one second, 0xF1 one hour, 0xF2 one day
//   0xF3       the working file is closed (a mode without messages)
//   0xF4-0xFA  the mode becomes k - 0xF4
//   0xFB       shutdown begins: later chunks are only counted
// Checks: nothing is ever written outside "logs/" or beside "incoming.txt",
// and every message stored under its own name is inside "logs/<date>/".

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/message_sinks.h"
#include "app/reception/reception.h"
#include "common/clock.h"
#include "common/modes.h"
#include "common/user_notifier.h"
#include "fuzz_input.h"

namespace {

namespace fs = std::filesystem;
using wavelore::fuzz::Require;

// A directory of its own for the whole run, with the receiver's base
// directory inside it, so that a file written beside the base shows too.
struct Directories {
    fs::path root;
    fs::path base;

    Directories() {
        std::string name = (fs::temp_directory_path() / "wavelore-fuzz-XXXXXX").string();
        Require(::mkdtemp(name.data()) != nullptr, "cannot make a temporary directory");
        root = name;
        base = root / "base";
    }
    ~Directories() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

// The stored name of a message: logs/<date>/<name> under the base.
bool InsideLogDay(const fs::path& path, const fs::path& base) {
    return path.parent_path().parent_path() == base / "logs" && path.has_filename();
}

// Everything under root is the base, a plain file directly in the base,
// or the logs directory and what it holds.
void CheckTree(const Directories& dirs) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dirs.root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path relative = it->path().lexically_relative(dirs.base);
        Require(!it->is_symlink(), "a symbolic link was made");
        Require(!relative.empty() && *relative.begin() != "..", "a file outside the base");
        if (relative == ".") {
            continue;
        }
        if (*relative.begin() == "logs") {
            Require(relative != "logs" || it->is_directory(), "logs is not a directory");
            continue;
        }
        Require(it->is_regular_file() && std::distance(relative.begin(), relative.end()) == 1,
                "something other than a file beside incoming.txt");
    }
    Require(!ec, "cannot walk the directory");
}

class CSinks final : public wavelore::IStoredMessageSink, public wavelore::IUserNotifier {
  public:
    explicit CSinks(const fs::path& base) : m_base(base) {}
    void AddStoredMessage(const wavelore::MessageHeader&, const fs::path& path) override {
        Require(InsideLogDay(path, m_base), "a message was stored outside logs/<date>");
        std::error_code ec;
        Require(fs::is_regular_file(path, ec), "a stored message is not there");
    }
    void ShowMessage(const std::u16string&) override {}

  private:
    fs::path m_base;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Directories dirs;
    std::error_code ec;
    fs::remove_all(dirs.base, ec);
    Require(fs::create_directory(dirs.base, ec), "cannot make the base directory");

    wavelore::fuzz::CFuzzInput in(data, size);
    // A minute before midnight, so that a few steps cross into a new day.
    wavelore::CManualClock clock(wavelore::LocalTime{2024, 3, 22, 23, 59, 0});
    CSinks sinks(dirs.base);
    {
        wavelore::ReceptionConfig config;
        config.base = dirs.base;
        config.clock = &clock;
        config.notifier = &sinks;
        config.explorer = &sinks;
        config.mode = static_cast<wavelore::Mode>(in.Byte() % 7);
        wavelore::CReception reception(config);
        // The index stays closed: its files are no input of this target.
        reception.StartLogDay();
        while (!in.Empty()) {
            const uint8_t step = in.Byte();
            if (step < 0xF0) {
                const int32_t errors = in.Byte();
                reception.Handle(in.Units(step), step, errors);
            } else if (step == 0xF0) {
                clock.Advance(1);
            } else if (step == 0xF1) {
                clock.Advance(3600);
            } else if (step == 0xF2) {
                clock.Advance(86400);
            } else if (step == 0xF3) {
                reception.CloseWorkingFile();
            } else if (step <= 0xFA) {
                reception.SetMode(static_cast<wavelore::Mode>(step - 0xF4));
            } else if (step == 0xFB) {
                reception.SetClosing();
            }
        }
        // Shutdown as the main window does it.
        reception.Finish();
    }
    CheckTree(dirs);
    return 0;
}
