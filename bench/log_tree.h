#pragma once

// A temporary log tree of a year of stored messages for the benchmarks of
// the message index and its search: kDays days of kPerDay messages each.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/log_day.h"
#include "common/clock.h"
#include "common/utf.h"

namespace wavelore::bench {

class CLogTree {
  public:
    static constexpr int kDays = 365;
    static constexpr int kPerDay = 60;

    // text: the content of the message numbered serial (0, 1, ...).
    explicit CLogTree(const std::function<std::string(int serial)>& text) {
        char pattern[] = "/tmp/wavelore-bench-XXXXXX";
        m_root = mkdtemp(pattern);
        LocalTime t{2023, 1, 1, 0, 0, 0};
        int serial = 0;
        for (int day = 0; day < kDays; ++day) {
            const std::filesystem::path dir = m_root / "logs" / ToUtf8(FormatDate(t));
            std::filesystem::create_directories(dir);
            for (int i = 0; i < kPerDay; ++i) {
                char name[64];
                std::snprintf(name, sizeof name, "%s %02d.%02d.00 %c%c%02d.txt",
                              ToUtf8(FormatDate(t)).c_str(), i / 3, i % 3 * 20, 'A' + i % 26,
                              'A' + i % 12, i);
                std::ofstream(dir / name, std::ios::binary) << text(serial++);
            }
            t = AddSeconds(t, 86400);
        }
    }
    ~CLogTree() { std::filesystem::remove_all(m_root); }
    CLogTree(const CLogTree&) = delete;
    CLogTree& operator=(const CLogTree&) = delete;
    const std::filesystem::path& Root() const { return m_root; }

  private:
    std::filesystem::path m_root;
};

}  // namespace wavelore::bench
