#pragma once
// A pollable object that wraps another one (owned) and forwards the pollable operations and
// Read/Write to it, so that a layer such as a buffer can sit between the dispatcher and the
// wrapped end.

#include "infra/PollableObject.h"

#include <memory>
#include <utility>

namespace sti {

template <class TObject>
class CSocketEncapsulator : public IRWPollableObject {
public:
    explicit CSocketEncapsulator(std::unique_ptr<TObject> object) : m_object(std::move(object)) {}

    STI_OS::SocketHandle GetHandle() const override
    {
        return m_object ? m_object->GetHandle() : STI_OS::INVALID_SOCKET_HANDLE;
    }
    bool IsOpen() const override { return m_object && m_object->IsOpen(); }
    bool SetNonBlocking() override { return m_object && m_object->SetNonBlocking(); }
    bool IsNonBlocking() const override { return m_object && m_object->IsNonBlocking(); }
    void Close() override
    {
        if (m_object) {
            m_object->Close();
        }
    }
    Status GetSocketError() override { return m_object ? m_object->GetSocketError() : ST_INVALID_SOCKET; }

    Status Read(std::uint32_t size, void* buffer, std::uint32_t& count) override
    {
        count = 0;
        return m_object ? m_object->Read(size, buffer, count) : ST_INVALID_SOCKET;
    }
    Status Write(std::uint32_t length, const void* data, std::uint32_t& count) override
    {
        count = 0;
        return m_object ? m_object->Write(length, data, count) : ST_INVALID_SOCKET;
    }

    TObject* GetWrapped() const { return m_object.get(); }

private:
    std::unique_ptr<TObject> m_object;
};

} // namespace sti
