#include "infra/os/PollSelect.h"

#include "infra/os/Clock.h"
#include "infra/os/PollState.h"
#include "infra/os/PollWait.h"

#include <algorithm>
#include <new>

namespace STI_OS {
namespace internal {

bool _SocketSet::Contains(SocketHandle socket) const
{
    return std::find(m_sockets, m_sockets + m_count, socket) != m_sockets + m_count;
}

Status _SocketSet::Add(SocketHandle socket)
{
    if (Contains(socket)) {
        return ST_SUCCESS;
    }
    if (IsFull()) {
        return ST_TOO_MANY_SOCKETS;
    }
    m_sockets[m_count++] = socket;
    return ST_SUCCESS;
}

void _SocketSet::Remove(SocketHandle socket)
{
    SocketHandle* end = m_sockets + m_count;
    SocketHandle* found = std::find(m_sockets, end, socket);
    if (found != end) {
        std::copy(found + 1, end, found);
        --m_count;
    }
}

namespace {

int FlagCount(int flags)
{
    return ((flags & POLL_READ) ? 1 : 0) + ((flags & POLL_WRITE) ? 1 : 0) + ((flags & POLL_EXCEPTION) ? 1 : 0);
}

bool IsRegistered(const _PollState& state, SocketHandle socket)
{
    std::size_t word = static_cast<std::size_t>(socket) / 32;
    return word < state.registered.size() &&
           (state.registered[word] & (1u << (static_cast<std::size_t>(socket) % 32))) != 0;
}

// ST_TOO_MANY_SOCKETS when adding the flags' interest would overflow a set.
Status CheckRoom(const _PollState& state, SocketHandle socket, int flags)
{
    if ((flags & POLL_READ) && state.readInterest.IsFull() && !state.readInterest.Contains(socket)) {
        return ST_TOO_MANY_SOCKETS;
    }
    if ((flags & POLL_WRITE) && state.writeInterest.IsFull() && !state.writeInterest.Contains(socket)) {
        return ST_TOO_MANY_SOCKETS;
    }
    return ST_SUCCESS;
}

void AddChecked(_PollState& state, SocketHandle socket, int flags)
{
    if (flags & POLL_READ) {
        // CheckRoom made room first.
        (void)state.readInterest.Add(socket);
    }
    if (flags & POLL_WRITE) {
        // CheckRoom made room first.
        (void)state.writeInterest.Add(socket);
    }
}

} // namespace

Status _PollSelect::Init(PollHandle& handle)
{
    if (handle.state != nullptr) {
        return ST_INVALID_PARAM;
    }
    auto* state = new (std::nothrow) _PollState;
    if (state == nullptr) {
        return ST_NO_MEMORY;
    }
    try {
        state->ready.reserve(2 * POLL_SET_CAPACITY);
    } catch (const std::bad_alloc&) {
        delete state;
        return ST_NO_MEMORY;
    }
    handle.state = state;
    return ST_SUCCESS;
}

Status _PollSelect::Release(PollHandle& handle)
{
    delete handle.state;
    handle.state = nullptr;
    return ST_SUCCESS;
}

Status _PollSelect::GetInterest(PollHandle& handle, SocketHandle socket, int& flags)
{
    flags = 0;
    if (handle.state == nullptr) {
        return ST_INVALID_PARAM;
    }
    if (handle.state->readInterest.Contains(socket)) {
        flags |= POLL_READ;
    }
    if (handle.state->writeInterest.Contains(socket)) {
        flags |= POLL_WRITE;
    }
    return flags != 0 ? ST_SUCCESS : ST_NOT_FOUND;
}

Status _PollSelect::SetInterest(PollHandle& handle, SocketHandle socket, int flags)
{
    if (handle.state == nullptr || socket < 0) {
        return ST_INVALID_PARAM;
    }
    _PollState& state = *handle.state;
    Status status = CheckRoom(state, socket, flags);
    if (status != ST_SUCCESS) {
        return status;
    }
    state.readInterest.Remove(socket);
    state.writeInterest.Remove(socket);
    AddChecked(state, socket, flags);
    return ST_SUCCESS;
}

Status _PollSelect::AddInterest(PollHandle& handle, SocketHandle socket, int flags)
{
    if (handle.state == nullptr || socket < 0) {
        return ST_INVALID_PARAM;
    }
    Status status = CheckRoom(*handle.state, socket, flags);
    if (status != ST_SUCCESS) {
        return status;
    }
    AddChecked(*handle.state, socket, flags);
    return ST_SUCCESS;
}

Status _PollSelect::RemoveInterest(PollHandle& handle, SocketHandle socket, int flags)
{
    if (handle.state == nullptr) {
        return ST_INVALID_PARAM;
    }
    if (flags & POLL_READ) {
        handle.state->readInterest.Remove(socket);
    }
    if (flags & POLL_WRITE) {
        handle.state->writeInterest.Remove(socket);
    }
    return ST_SUCCESS;
}

Status _PollSelect::Register(PollHandle& handle, SocketHandle socket, int flags)
{
    if (handle.state == nullptr || socket < 0) {
        return ST_INVALID_PARAM;
    }
    _PollState& state = *handle.state;
    Status status = CheckRoom(state, socket, flags);
    if (status != ST_SUCCESS) {
        return status;
    }
    const std::size_t value = static_cast<std::size_t>(socket);
    if (socket > state.highest) {
        // Room for twice the value, and always for the value itself (0 included).
        std::size_t bits = std::max<std::size_t>(2 * value, value + 1);
        std::size_t words = (bits + 31) / 32;
        if (words > state.registered.size()) {
            try {
                state.registered.resize(words, 0);
            } catch (const std::bad_alloc&) {
                return ST_NO_MEMORY;
            }
        }
        state.highest = socket;
    }
    state.registered[value / 32] |= 1u << (value % 32);
    return SetInterest(handle, socket, flags);
}

Status _PollSelect::Unregister(PollHandle& handle, SocketHandle socket)
{
    if (handle.state == nullptr || socket < 0) {
        return ST_INVALID_PARAM;
    }
    _PollState& state = *handle.state;
    state.readInterest.Remove(socket);
    state.writeInterest.Remove(socket);

    // Readiness of the last wait is not handed out for it, whichever flags it had.
    auto entry = std::lower_bound(state.ready.begin(), state.ready.end(), socket,
                                  [](const _ReadyEntry& e, SocketHandle s) { return e.socket < s; });
    if (entry != state.ready.end() && entry->socket == socket) {
        state.readyCount -= FlagCount(entry->flags);
        entry->flags = 0;
    }

    const std::size_t value = static_cast<std::size_t>(socket);
    if (value / 32 < state.registered.size()) {
        state.registered[value / 32] &= ~(1u << (value % 32));
    }
    while (state.highest >= 0 && !IsRegistered(state, state.highest)) {
        --state.highest;
    }
    return ST_SUCCESS;
}

Status _PollSelect::Wait(PollHandle& handle, std::uint32_t milliseconds)
{
    if (handle.state == nullptr) {
        return ST_INVALID_PARAM;
    }
    _PollState& state = *handle.state;
    state.ready.clear();
    state.cursor = 0;
    state.readyCount = 0;
    if (state.readInterest.Count() == 0 && state.writeInterest.Count() == 0) {
        Sleep(milliseconds);
        return ST_TIMEOUT;
    }
    Status status = _WaitForReadiness(state, milliseconds, state.ready);
    if (status != ST_SUCCESS && status != ST_TIMEOUT) {
        // Such a failure (a closed socket left registered) repeats at once on every call.
        state.ready.clear();
        Sleep(milliseconds);
        return status;
    }
    for (const _ReadyEntry& entry : state.ready) {
        state.readyCount += FlagCount(entry.flags);
    }
    return state.readyCount > 0 ? ST_SUCCESS : ST_TIMEOUT;
}

Status _PollSelect::NextReady(PollHandle& handle, SocketHandle& socket, int& flags)
{
    if (handle.state == nullptr) {
        return ST_INVALID_PARAM;
    }
    _PollState& state = *handle.state;
    while (state.readyCount > 0 && state.cursor < state.ready.size()) {
        const _ReadyEntry& entry = state.ready[state.cursor++];
        if (entry.flags != 0) {
            state.readyCount -= FlagCount(entry.flags);
            socket = entry.socket;
            flags = entry.flags;
            return ST_SUCCESS;
        }
    }
    return ST_NO_MORE_DATA;
}

Status _PollSelect::GetCount(PollHandle& handle, std::uint32_t& count)
{
    count = 0;
    if (handle.state == nullptr) {
        return ST_INVALID_PARAM;
    }
    count = handle.state->readInterest.Count();
    return ST_SUCCESS;
}

Status _PollSelect::GetAll(PollHandle& handle, std::vector<SocketHandle>& sockets)
{
    sockets.clear();
    if (handle.state == nullptr) {
        return ST_INVALID_PARAM;
    }
    const _SocketSet& set = handle.state->readInterest;
    try {
        sockets.assign(set.Data(), set.Data() + set.Count());
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    return ST_SUCCESS;
}

} // namespace internal
} // namespace STI_OS
