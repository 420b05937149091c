#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "service/sql_connection.h"

namespace wavelore::service {

// Connections shared by the request threads: each request borrows one for
// its whole work and gives it back. Connections are opened when first
// needed, up to the pool's size; a borrower waits for a free one at most
// the given time.
class CDatabasePool {
  public:
    using Opener = std::function<std::unique_ptr<SqlConnection>(std::string& error)>;

    // A borrowed connection, given back when it goes out of scope. Empty
    // (false) when none could be had.
    class Lease {
      public:
        Lease() = default;
        Lease(CDatabasePool* pool, std::unique_ptr<SqlConnection> db)
            : m_pool(pool), m_db(std::move(db)) {}
        Lease(Lease&& other) noexcept = default;
        Lease& operator=(Lease&& other) noexcept;
        ~Lease();

        explicit operator bool() const { return m_db != nullptr; }
        SqlConnection& operator*() const { return *m_db; }
        SqlConnection* operator->() const { return m_db.get(); }

      private:
        void Release();

        CDatabasePool* m_pool = nullptr;
        std::unique_ptr<SqlConnection> m_db;
    };

    static constexpr std::chrono::milliseconds kNoWait{0};

    CDatabasePool(SqlDialect dialect, Opener opener, size_t size);
    CDatabasePool(const CDatabasePool&) = delete;
    CDatabasePool& operator=(const CDatabasePool&) = delete;

    SqlDialect Dialect() const { return m_dialect; }

    // A usable connection, or an empty lease with error set after the wait.
    Lease Acquire(std::chrono::milliseconds wait, std::string& error);

  private:
    void GiveBack(std::unique_ptr<SqlConnection> db);

    SqlDialect m_dialect;
    Opener m_opener;
    size_t m_size;
    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::vector<std::unique_ptr<SqlConnection>> m_idle;
    size_t m_out = 0;  // connections lent or being opened
};

}  // namespace wavelore::service
