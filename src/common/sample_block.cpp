#include "common/sample_block.h"

#include <algorithm>
#include <new>

namespace wavelore {

SampleBlock::SampleBlock(const double* source, int32_t count) {
    if (count <= 0) {
        return;
    }
    m_data.reset(new (std::nothrow) double[static_cast<size_t>(count)]);
    if (!m_data) {
        return;
    }
    m_count = count;
    if (source != nullptr) {
        std::copy(source, source + count, m_data.get());
    } else {
        std::fill(m_data.get(), m_data.get() + count, 0.0);
    }
}

void SampleBlock::Release() {
    m_data.reset();
    m_count = 0;
}

}  // namespace wavelore
