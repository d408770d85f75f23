#pragma once
// One file of a transfer as the peers describe it to each other: the upload's answer to a
// file request lists the requested file first, then the further files of its link.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t TRANSFER_ID_SIZE = 16;

struct STransferFileEntry {
    std::uint8_t Id[TRANSFER_ID_SIZE] = {};
    std::string Name;
    std::uint64_t Size = 0;
};

using TransferFileList = std::vector<STransferFileEntry>;
