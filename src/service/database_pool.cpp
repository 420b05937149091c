#include "service/database_pool.h"

namespace wavelore::service {

CDatabasePool::Lease& CDatabasePool::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        Release();
        m_pool = other.m_pool;
        m_db = std::move(other.m_db);
        other.m_pool = nullptr;
    }
    return *this;
}

CDatabasePool::Lease::~Lease() {
    Release();
}

void CDatabasePool::Lease::Release() {
    if (m_pool != nullptr && m_db) {
        m_pool->GiveBack(std::move(m_db));
    }
    m_pool = nullptr;
}

CDatabasePool::CDatabasePool(SqlDialect dialect, Opener opener, size_t size)
    : m_dialect(dialect), m_opener(std::move(opener)), m_size(size == 0 ? 1 : size) {}

CDatabasePool::Lease CDatabasePool::Acquire(std::chrono::milliseconds wait, std::string& error) {
    std::unique_ptr<SqlConnection> db;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_freed.wait_for(lock, wait, [this] { return !m_idle.empty() || m_out < m_size; })) {
            error = "no database connection free";
            return {};
        }
        ++m_out;
        if (!m_idle.empty()) {
            db = std::move(m_idle.back());
            m_idle.pop_back();
        }
    }
    if (db && !db->Usable()) {
        error = "the database connection was lost: " + db->Error();
        db.reset();
    }
    if (!db) {
        db = m_opener(error);
    }
    if (!db) {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_out;
        m_freed.notify_one();
        return {};
    }
    return Lease(this, std::move(db));
}

void CDatabasePool::GiveBack(std::unique_ptr<SqlConnection> db) {
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_out;
    m_idle.push_back(std::move(db));
    m_freed.notify_one();
}

}  // namespace wavelore::service
