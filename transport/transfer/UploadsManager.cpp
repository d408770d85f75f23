#include "transport/transfer/UploadsManager.h"

#include "transport/ant/AntSocket.h"
#include "transport/transfer/SessionClose.h"
#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/UploadHandler.h"

#include <cstring>
#include <memory>
#include <new>

CUploadsManager::CUploadsManager(CAnt* ant) : m_connects(ant) {}

CUploadsManager::~CUploadsManager()
{
    // Handlers of sessions still here forget them as the sessions go.
    while (!m_byKey.empty()) {
        CTransportSession* session = m_byKey.begin()->second;
        // Taken from the table just above.
        (void)RemoveSession(session);
        delete session;
    }
}

std::uint64_t CUploadsManager::KeyOf(std::uint32_t keyLow, std::uint32_t keyHigh)
{
    return (std::uint64_t(keyHigh) << 32) | keyLow;
}

CUploadsManager::FileKey CUploadsManager::FileKeyOf(const std::uint8_t fileId[TRANSFER_ID_SIZE])
{
    FileKey key;
    std::memcpy(key.data(), fileId, TRANSFER_ID_SIZE);
    return key;
}

Status CUploadsManager::NewUpload(std::uint32_t peer, std::uint32_t keyLow, std::uint32_t keyHigh,
                                  IUploadCallback* callback)
{
    if (callback == nullptr) {
        return ST_INVALID_PARAM;
    }
    // Not yet in a table: deleting it releases the callback and nothing else.
    std::unique_ptr<CTransportSession> session(new (std::nothrow) CTransportSession(this, callback, keyLow, keyHigh));
    if (!session) {
        return ST_NO_MEMORY;
    }
    const std::uint64_t key = KeyOf(keyLow, keyHigh);
    if (m_byKey.count(key) != 0) {
        // A second connection with the same key would meet the first one's peer.
        return ST_ALREADY_EXISTS;
    }
    try {
        m_byKey.emplace(key, session.get());
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    // Links itself to the session; deleting it unlinks again.
    CUploadHandler* handler = new (std::nothrow) CUploadHandler(session.get());
    Status status = handler != nullptr ? m_connects.Connect(session.get(), handler, CAntAddress(peer, keyLow, keyHigh))
                                       : ST_NO_MEMORY;
    if (status != ST_SUCCESS) {
        delete handler;
        m_byKey.erase(key);
        return status;
    }
    session.release()->SetStatus(SESSION_STATUS_CONNECTED);
    return ST_SUCCESS;
}

Status CUploadsManager::CloseUpload(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t reason)
{
    CTransportSession* session = FindByFileId(fileId);
    if (session == nullptr) {
        return ST_NOT_FOUND;
    }
    CloseTransportSession(session, reason);
    return ST_SUCCESS;
}

Status CUploadsManager::SetLevel(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t level)
{
    CTransportSession* session = FindByFileId(fileId);
    if (session == nullptr) {
        return ST_NOT_FOUND;
    }
    CTransportManagerHandler* handler = session->GetHandler();
    CAntSocket* socket = handler != nullptr ? dynamic_cast<CAntSocket*>(handler->GetTypedObject()) : nullptr;
    if (socket == nullptr) {
        return ST_NOT_CONNECTED;
    }
    return socket->SetLevel(static_cast<int>(level));
}

void CUploadsManager::CloseAll(std::uint32_t reason)
{
    // Every close takes its session out of the tables; nothing is allocated on the way, so
    // a shutdown always gets through.
    while (!m_byKey.empty()) {
        const std::size_t before = m_byKey.size();
        CloseTransportSession(m_byKey.begin()->second, reason);
        if (m_byKey.size() >= before) {
            break;
        }
    }
}

CTransportSession* CUploadsManager::FindByKey(std::uint32_t keyLow, std::uint32_t keyHigh) const
{
    auto found = m_byKey.find(KeyOf(keyLow, keyHigh));
    return found != m_byKey.end() ? found->second : nullptr;
}

CTransportSession* CUploadsManager::FindByFileId(const std::uint8_t fileId[TRANSFER_ID_SIZE]) const
{
    if (fileId == nullptr) {
        return nullptr;
    }
    auto found = m_byFileId.find(FileKeyOf(fileId));
    return found != m_byFileId.end() ? found->second : nullptr;
}

Status CUploadsManager::OnTimer(int timerId, const sti::CTimeValue& now, void* parameter)
{
    (void)timerId;
    (void)now;
    (void)parameter;
    return ST_SUCCESS;
}

Status CUploadsManager::RemoveSession(CTransportSession* session)
{
    if (session == nullptr) {
        return ST_NOT_FOUND;
    }
    EraseFileEntry(session);
    m_connects.Drop(session);
    auto found = m_byKey.find(KeyOf(session->GetKeyLow(), session->GetKeyHigh()));
    if (found == m_byKey.end() || found->second != session) {
        return ST_NOT_FOUND;
    }
    m_byKey.erase(found);
    return ST_SUCCESS;
}

Status CUploadsManager::BindFile(CTransportSession* session, const std::uint8_t fileId[TRANSFER_ID_SIZE])
{
    if (session == nullptr || fileId == nullptr) {
        return ST_INVALID_PARAM;
    }
    const FileKey key = FileKeyOf(fileId);
    auto found = m_byFileId.find(key);
    if (found != m_byFileId.end()) {
        return found->second == session ? ST_SUCCESS : ST_ALREADY_EXISTS;
    }
    try {
        m_byFileId.emplace(key, session);
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    // A session asked for another file before: only its newest file finds it.
    for (auto it = m_byFileId.begin(); it != m_byFileId.end();) {
        if (it->second == session && it->first != key) {
            it = m_byFileId.erase(it);
        } else {
            ++it;
        }
    }
    session->SetFileId(fileId);
    return ST_SUCCESS;
}

void CUploadsManager::EraseFileEntry(CTransportSession* session)
{
    for (auto it = m_byFileId.begin(); it != m_byFileId.end(); ++it) {
        if (it->second == session) {
            m_byFileId.erase(it);
            return;
        }
    }
}
