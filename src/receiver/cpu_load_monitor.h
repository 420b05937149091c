#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace wavelore {

// Where the processor times come from; tests feed their own numbers.
class ICpuTimesSource {
  public:
    virtual ~ICpuTimesSource() = default;
    // Cumulative idle and total time of all processors, in any one unit;
    // false when the system does not provide them.
    virtual bool Read(uint64_t& idle, uint64_t& total) = 0;
};

// The aggregate "cpu" line of a procfs stat file, in clock ticks. Idle is
// idle + iowait: a processor waiting for I/O is not busy.
class CProcStatTimes final : public ICpuTimesSource {
  public:
    explicit CProcStatTimes(std::string path = "/proc/stat") : m_path(std::move(path)) {}
    bool Read(uint64_t& idle, uint64_t& total) override;
    // Parses the text of a stat file; false when it has no usable cpu line.
    static bool Parse(const std::string& text, uint64_t& idle, uint64_t& total);

  private:
    std::string m_path;
};

// Total processor load since the previous reading, once per sound buffer.
class CCpuLoadMonitor {
  public:
    // source: the times to read; null reads /proc/stat. Not owned when given.
    explicit CCpuLoadMonitor(ICpuTimesSource* source = nullptr);

    // Percent busy since the previous call: 0 on the first call, -1 while
    // the times cannot be read. When no time has passed since the previous
    // reading (buffers arriving faster than the clock ticks) the previous
    // result is repeated and the baseline kept, so the next reading covers
    // the whole interval.
    int32_t Sample();

  private:
    std::unique_ptr<ICpuTimesSource> m_ownSource;
    ICpuTimesSource* m_source;
    bool m_firstCall = true;
    uint64_t m_previousIdle = 0;
    uint64_t m_previousTotal = 0;
    int32_t m_previousLoad = 0;
};

}  // namespace wavelore
