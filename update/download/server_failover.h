// ServerFailover: where the next attempt of a request goes. Each server of
// the list gets its attempts in turn, then the next server is tried; the
// blocking requests and the file pieces follow the same rule.
#ifndef UPDATE_DOWNLOAD_SERVER_FAILOVER_H_
#define UPDATE_DOWNLOAD_SERVER_FAILOVER_H_

#include <cstddef>
#include <cstdint>

struct ServerFailover {
  int32_t attempt = 0;  // failed attempts on the current server
  int32_t server = 0;   // into the server list

  bool HasServer(size_t servers) const {
    return server >= 0 && static_cast<size_t>(server) < servers;
  }
  // Counts a failed attempt; false when no server is left for the next one.
  bool Next(int attempts_per_server, size_t servers) {
    if (++attempt >= attempts_per_server) {
      attempt = 0;
      ++server;
    }
    return HasServer(servers);
  }
};

#endif  // UPDATE_DOWNLOAD_SERVER_FAILOVER_H_
