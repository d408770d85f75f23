#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What tarnix-antpeer is told on its command line (see Usage()).
struct SPeerOptions {
    std::string ServerHost;
    std::uint16_t ServerPort = 1864;
    std::uint32_t OwnId = 0;
    std::uint32_t PeerId = 0;
    std::uint64_t Key = 0;
    bool Sending = false;
    std::uint64_t Bytes = 0;
    std::uint16_t LocalPort = 0;
    bool AdvertiseLocal = false;
    std::uint64_t Seed = 1;
    std::uint32_t TimeoutMs = 600000;
};

// False with a message for the user when the line is not complete and well formed.
bool ParsePeerOptions(const std::vector<std::string>& args, SPeerOptions& options, std::string& error);

std::string PeerUsage();
