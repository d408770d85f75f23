#include "server/SessionBroker.h"

namespace TarnixServer {

void CSessionBroker::OnRequest(std::uint32_t requester, std::uint32_t answerer, std::uint32_t session,
                               std::uint64_t now)
{
    const Key key(requester, session);
    auto found = m_requests.find(key);
    if (found != m_requests.end())
    {
        SRequest& request = found->second;
        const bool repeat = request.Answerer == answerer
                            && (!request.SetUp || now < request.SetUpAt + REPEAT_WINDOW_MS);
        if (repeat)
            return;
        m_requests.erase(found);
    }
    MakeRoom(requester);
    SRequest request;
    request.Answerer = answerer;
    request.Order = ++m_order;
    m_requests.emplace(key, request);
}

CSessionBroker::Outcome CSessionBroker::OnAnswer(std::uint32_t answerer, std::uint32_t requester,
                                                 std::uint32_t session, bool accepted, std::uint64_t now)
{
    auto found = m_requests.find(Key(requester, session));
    if (found == m_requests.end() || found->second.Answerer != answerer)
        return ANSWER_UNKNOWN;
    SRequest& request = found->second;
    if (!accepted || request.SetUp)
        return ANSWER_RELAY;
    request.SetUp = true;
    request.SetUpAt = now;
    return ANSWER_RELAY_SET_UP;
}

void CSessionBroker::Forget(std::uint32_t requester)
{
    m_requests.erase(m_requests.lower_bound(Key(requester, 0)),
                     m_requests.upper_bound(Key(requester, 0xFFFFFFFFu)));
}

void CSessionBroker::MakeRoom(std::uint32_t requester)
{
    auto first = m_requests.lower_bound(Key(requester, 0));
    auto last = m_requests.upper_bound(Key(requester, 0xFFFFFFFFu));
    std::size_t count = 0;
    auto oldest = last;
    for (auto it = first; it != last; ++it)
    {
        ++count;
        if (oldest == last || it->second.Order < oldest->second.Order)
            oldest = it;
    }
    if (count >= MAX_REQUESTS_PER_REQUESTER && oldest != last)
        m_requests.erase(oldest);
}

} // namespace TarnixServer
