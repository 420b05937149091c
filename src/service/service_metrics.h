#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "service/service_log.h"

namespace wavelore::service {

// Counters and latency histograms of one service process, in Prometheus's
// text format. Each process is scraped on its own; the stored data lives
// in the database, never here.
class CServiceMetrics {
  public:
    enum class Upload { NewMessage, Merged, Duplicate, UnknownId, BadRequest, Failed, kCount };
    enum class Route { Upload, Page, Api, Feed, Other, kCount };

    // Upper bounds of the latency buckets, in seconds.
    static constexpr std::array<double, 11> kBuckets = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                        0.1,   0.25,   0.5,   1.0,  2.5};

    void CountUpload(Upload outcome) { ++m_uploads[static_cast<size_t>(outcome)]; }
    void CountIdTest(bool known) { ++m_idTests[known ? 1 : 0]; }
    void CountVersionCheck() { ++m_versionChecks; }
    void CountSignUp() { ++m_signUps; }
    void CountDatabaseError() { ++m_databaseErrors; }
    void ObserveRequest(Route route, int status, double seconds);

    uint64_t Uploads(Upload outcome) const { return m_uploads[static_cast<size_t>(outcome)]; }

    std::string Render() const;

  private:
    struct Histogram {
        std::array<std::atomic<uint64_t>, kBuckets.size() + 1> buckets{};  // last: +Inf
        std::atomic<uint64_t> count{0};
        std::atomic<uint64_t> sumMicroseconds{0};
    };

    std::array<std::atomic<uint64_t>, static_cast<size_t>(Upload::kCount)> m_uploads{};
    std::array<std::atomic<uint64_t>, 2> m_idTests{};
    std::atomic<uint64_t> m_versionChecks{0};
    std::atomic<uint64_t> m_signUps{0};
    std::atomic<uint64_t> m_databaseErrors{0};
    // Requests by route and status class (1xx..5xx).
    std::array<std::array<std::atomic<uint64_t>, 5>, static_cast<size_t>(Route::kCount)>
        m_requests{};
    std::array<Histogram, static_cast<size_t>(Route::kCount)> m_latency;
};

// A request failed because the database did: counted and logged, in one
// place for every route.
void NoteDatabaseError(CServiceMetrics& metrics, CServiceLog& log, std::string_view during,
                       std::string_view error);

}  // namespace wavelore::service
