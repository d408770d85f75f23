// Saves a transfer list again and again until it is killed; the XML store's kill test runs it
// with the list's path. Every save holds the same number of records, only their sizes change.
// After its first whole save it leaves "<list>.running", so the test kills it in the middle of
// saving rather than while a loaded machine is still starting it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/XmlStore.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    std::vector<STransferListItem> items(static_cast<std::size_t>(std::atoi(argv[2])));
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].type = 2;
        items[i].fileId[0] = static_cast<unsigned char>(i);
        items[i].fileId[1] = static_cast<unsigned char>(i >> 8);
        items[i].shortName = "a file name long enough to make each save take a while.bin";
    }
    for (std::int64_t generation = 1;; ++generation) {
        for (STransferListItem& item : items)
            item.size = generation;
        if (!SaveTransferListXml(argv[1], items)) {
            std::printf("save %lld failed\n", static_cast<long long>(generation));
        } else if (generation == 1) {
            std::FILE* marker = std::fopen((std::string(argv[1]) + ".running").c_str(), "w");
            if (marker != nullptr)
                std::fclose(marker);
        }
    }
}
