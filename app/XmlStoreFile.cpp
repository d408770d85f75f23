#include "app/XmlStoreFile.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "framework/File.h"

namespace {

// A store file is a few megabytes at most; anything far larger is not held in memory.
constexpr std::uint64_t kMaxFileSize = 256u << 20;
constexpr std::size_t kWriteChunk = 64u << 10;

std::atomic<std::int64_t> g_failAfterBytes{-1};
std::atomic<void (*)(const CString&)> g_replaceObserver{nullptr};

void WriteAll(CFile& file, const std::string& bytes)
{
    const std::int64_t failAfter = g_failAfterBytes.load();
    std::size_t limit = bytes.size();
    if (failAfter >= 0 && static_cast<std::uint64_t>(failAfter) < limit)
        limit = static_cast<std::size_t>(failAfter);
    for (std::size_t done = 0; done < limit;) {
        const std::size_t count = std::min(kWriteChunk, limit - done);
        file.Write(bytes.data() + done, static_cast<UINT>(count));
        done += count;
    }
    if (limit < bytes.size())
        throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, file.GetFilePath());
}

} // namespace

bool ReplaceFileAside(const CString& path, const std::string& bytes)
{
    const CString temporary = path + ".tmp";
    try {
        CFile file;
        if (!file.Open(temporary, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive))
            return false;
        WriteAll(file, bytes);
        file.Flush();
        file.Close();
        if (MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            if (auto observer = g_replaceObserver.load())
                observer(path);
            return true;
        }
    } catch (const CFileException&) {
    } catch (const std::bad_alloc&) {}
    DeleteFileA(temporary);
    return false;
}

StoreFileRead ReadStoreFile(const CString& path, std::string& bytes)
{
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) {
        const DWORD code = error.GetOsError();
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? StoreFileRead::Missing
                                                                            : StoreFileRead::Failed;
    }
    try {
        const std::uint64_t length = file.GetLength();
        if (length > kMaxFileSize)
            return StoreFileRead::Failed;
        bytes.assign(static_cast<std::size_t>(length), '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            const UINT read = file.Read(&bytes[done], static_cast<UINT>(bytes.size() - done));
            if (read == 0)
                break;
            done += read;
        }
        bytes.resize(done);
        return StoreFileRead::Read;
    } catch (const CFileException&) {
    } catch (const std::bad_alloc&) {}
    return StoreFileRead::Failed;
}

bool KeepDamagedFile(const CString& path)
{
    return MoveFileExA(path, path + ".bad", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void SetReplaceFailureForTest(std::int64_t bytesWritten)
{
    g_failAfterBytes.store(bytesWritten);
}

void SetReplaceObserverForTest(void (*observer)(const CString& path))
{
    g_replaceObserver.store(observer);
}
