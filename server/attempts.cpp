#include "server/attempts.hpp"

namespace talewick::server {

bool tryAttempt(Storage& storage, const std::string& bucket, std::int64_t now,
                const RateLimit& limit) {
  bool allowed = false;
  storage.inSqlTransaction([&](SqlSession& sql) {
    sql.lock("attempts:" + bucket);
    sql.execute("DELETE FROM attempts WHERE bucket = ?1 AND at <= ?2",
                {bucket, now - limit.windowSeconds});
    const std::int64_t count =
        sql.query("SELECT COUNT(*) FROM attempts WHERE bucket = ?1", {bucket}).at(0).integer(0);
    allowed = count < limit.attempts;
    if (allowed) sql.execute("INSERT INTO attempts (bucket, at) VALUES (?1, ?2)", {bucket, now});
  });
  return allowed;
}

}  // namespace talewick::server
