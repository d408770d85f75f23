#include "infra/os/Poller.h"

#include "infra/Singleton.h"
#include "infra/os/RealPoller.h"

namespace STI_OS {

namespace {

internal::_Poll* ProcessPoller()
{
    internal::_RealPoller* poller = sti::CSingleton<internal::_RealPoller>::Instance();
    return poller != nullptr ? &poller->Get() : nullptr;
}

} // namespace

Status PollInit(PollHandle& handle)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->Init(handle) : ST_NO_MEMORY;
}

Status PollRelease(PollHandle& handle)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->Release(handle) : ST_INTERNAL_ERROR;
}

Status PollGetInterest(PollHandle& handle, SocketHandle socket, int& flags)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->GetInterest(handle, socket, flags) : ST_INTERNAL_ERROR;
}

Status PollSetInterest(PollHandle& handle, SocketHandle socket, int flags)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->SetInterest(handle, socket, flags) : ST_INTERNAL_ERROR;
}

Status PollAddInterest(PollHandle& handle, SocketHandle socket, int flags)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->AddInterest(handle, socket, flags) : ST_INTERNAL_ERROR;
}

Status PollRemoveInterest(PollHandle& handle, SocketHandle socket, int flags)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->RemoveInterest(handle, socket, flags) : ST_INTERNAL_ERROR;
}

Status PollRegister(PollHandle& handle, SocketHandle socket, int flags)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->Register(handle, socket, flags) : ST_INTERNAL_ERROR;
}

Status PollUnregister(PollHandle& handle, SocketHandle socket)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->Unregister(handle, socket) : ST_INTERNAL_ERROR;
}

Status PollWait(PollHandle& handle, std::uint32_t milliseconds)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->Wait(handle, milliseconds) : ST_INTERNAL_ERROR;
}

Status PollNextReady(PollHandle& handle, SocketHandle& socket, int& flags)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->NextReady(handle, socket, flags) : ST_INTERNAL_ERROR;
}

Status PollGetCount(PollHandle& handle, std::uint32_t& count)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->GetCount(handle, count) : ST_INTERNAL_ERROR;
}

Status PollGetAll(PollHandle& handle, std::vector<SocketHandle>& sockets)
{
    internal::_Poll* poll = ProcessPoller();
    return poll != nullptr ? poll->GetAll(handle, sockets) : ST_INTERNAL_ERROR;
}

} // namespace STI_OS
