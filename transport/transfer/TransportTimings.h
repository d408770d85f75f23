#pragma once
// How often a download session asks the server where its uploader is, and how it waits for
// the uploader's connection once it has a ticket. Production keeps the defaults; tests
// shorten them.

#include <cstdint>

struct STransportTimings {
    // Between two session requests (server command 29) of one session.
    std::int32_t LocateMs = 45000;
    // The first session request of a session that never asked before.
    std::int32_t FirstLocateMs = 100;
    // After a ticket: the connect request (server command 4) goes out at once, again after
    // this, then every ConnectRetryMs until ConnectTries expiries have passed.
    std::int32_t FirstConnectRetryMs = 10000;
    std::int32_t ConnectRetryMs = 3000;
    int ConnectTries = 10;
};
