#include "server/Outbox.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "server/MailText.h"
#include "server/TimeText.h"

namespace TarnixServer {

namespace {

namespace fs = std::filesystem;

// Written under a temporary name and renamed, so that a reader never sees half a file.
Status WriteWhole(const fs::path& path, const std::string& content)
{
    fs::path partial = path;
    partial += ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out)
            return ST_IO_ERROR;
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(partial, ignored);
            return ST_IO_ERROR;
        }
    }
    std::error_code error;
    fs::rename(partial, path, error);
    if (error) {
        fs::remove(partial, error);
        return ST_IO_ERROR;
    }
    return ST_SUCCESS;
}

} // namespace

COutbox::COutbox(std::string folder) : m_folder(std::move(folder)) {}

Status COutbox::Store(const std::string& encodedText, std::uint64_t now, SStored& stored)
{
    std::error_code error;
    const fs::path folder(m_folder);
    fs::create_directories(folder, error);
    if (error)
        return ST_IO_ERROR;

    const std::string document = DecodeMailText(encodedText);
    const std::string stamp = FormatUtcStamp(now);
    fs::path mailPath;
    fs::path linkPath;
    // Another run may have left mails of the same second.
    for (int attempt = 0; attempt < 10000; ++attempt) {
        char stem[64];
        std::snprintf(stem, sizeof(stem), "mail-%s-%04u", stamp.c_str(), static_cast<unsigned>(++m_sequence));
        mailPath = folder / (std::string(stem) + ".xml");
        linkPath = folder / (std::string(stem) + ".tnl");
        if (!fs::exists(mailPath, error) && !fs::exists(linkPath, error))
            break;
    }

    Status status = WriteWhole(mailPath, document);
    if (status != ST_SUCCESS)
        return status;
    stored.MailPath = mailPath.string();
    stored.Kind = MailDocumentKind(document);
    stored.LinkPath.clear();
    const std::string url = MailLinkUrl(document);
    if (!url.empty()) {
        status = WriteWhole(linkPath, url + "\r\n");
        if (status != ST_SUCCESS)
            return status;
        stored.LinkPath = linkPath.string();
    }
    return ST_SUCCESS;
}

} // namespace TarnixServer
