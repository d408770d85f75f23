#include "app/portable/TransferListXml.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <set>
#include <utility>

#include "app/portable/XmlDocumentReader.h"
#include "app/portable/XmlDocumentWriter.h"
#include "app/portable/XmlValues.h"

namespace xmlstore {
namespace {

constexpr std::int64_t kMaxSize = std::numeric_limits<std::int64_t>::max();

using RecordKey = std::pair<int, Id>;

} // namespace

Text WriteTransferList(const std::vector<TransferRecord>& records)
{
    DocumentWriter writer;
    writer.Open("files");
    for (const TransferRecord& record : records) {
        writer.Open("file");
        writer.Element("type", record.type);
        writer.Element("user_uid", record.userId);
        writer.Element("user_email", record.userEmail);
        writer.Element("file_uid", record.fileId);
        writer.Element("transfered_size", record.transferred);
        writer.Element("real_filename", record.realName);
        writer.Element("short_filename", record.shortName);
        writer.Element("file_size", record.size);
        writer.Element("td_status", record.status);
        if (!record.furtherFiles.empty()) {
            writer.Open("further_files");
            for (const Id& id : record.furtherFiles)
                writer.Element("file_uid", id.data());
            writer.Close("further_files");
        }
        writer.Close("file");
    }
    writer.Close("files");
    return writer.Document();
}

bool ReadTransferList(const void* data, std::size_t size, std::vector<TransferRecord>& records)
{
    pugi::xml_document document;
    if (!ParseDocument(data, size, "files", document))
        return false;

    std::vector<TransferRecord> read;
    std::set<RecordKey> seen;
    for (const pugi::xml_node file : document.document_element().children("file")) {
        TransferRecord record;
        record.type = static_cast<int>(ReadDecimal(ChildValue(file, "type"), 2));
        if ((record.type != 1 && record.type != 2) || !HexToId(ChildValue(file, "file_uid"), record.fileId))
            continue;
        RecordKey key{record.type, {}};
        std::memcpy(key.second.data(), record.fileId, ID_SIZE);
        if (!seen.insert(key).second)
            continue;
        HexToId(ChildValue(file, "user_uid"), record.userId);
        record.userEmail = ChildText(file, "user_email");
        record.realName = ChildText(file, "real_filename");
        record.shortName = ChildText(file, "short_filename");
        record.size = ReadDecimal(ChildValue(file, "file_size"), kMaxSize);
        record.transferred = std::min(ReadDecimal(ChildValue(file, "transfered_size"), kMaxSize), record.size);
        record.status = RestoredStatus(ChildValue(file, "td_status"));
        for (const pugi::xml_node further : file.child("further_files").children("file_uid")) {
            Id id;
            if (HexToId(further.text().get(), id.data()))
                record.furtherFiles.push_back(id);
        }
        read.push_back(std::move(record));
    }
    records = std::move(read);
    return true;
}

} // namespace xmlstore
