#include "server/SessionBroker.h"

namespace TarnixServer {

bool CSessionBroker::Expired(const SRequest& request, std::uint64_t now)
{
    return now >= request.LastAt + HANDSHAKE_MS;
}

void CSessionBroker::OnRequest(std::uint32_t requester, std::uint32_t answerer, std::uint32_t session,
                               std::uint64_t now)
{
    const Key key(requester, session);
    auto found = m_requests.find(key);
    if (found != m_requests.end()) {
        SRequest& request = found->second;
        const bool repeat = request.Answerer == answerer && !Expired(request, now) &&
                            (!request.SetUp || now < request.SetUpAt + REPEAT_WINDOW_MS);
        if (repeat) {
            request.LastAt = now;
            request.Order = ++m_order;
            return;
        }
        Erase(found);
    }
    MakeRoom(requester);
    SRequest request;
    request.Answerer = answerer;
    request.LastAt = now;
    request.Order = ++m_order;
    m_requests.emplace(key, request);
    ++m_counts[requester];
}

CSessionBroker::Outcome CSessionBroker::OnAnswer(std::uint32_t answerer, std::uint32_t requester, std::uint32_t session,
                                                 bool accepted, std::uint64_t now)
{
    auto found = m_requests.find(Key(requester, session));
    if (found == m_requests.end() || found->second.Answerer != answerer)
        return ANSWER_UNKNOWN;
    SRequest& request = found->second;
    if (Expired(request, now)) {
        Erase(found);
        return ANSWER_UNKNOWN;
    }
    if (!accepted || request.SetUp)
        return ANSWER_RELAY;
    request.SetUp = true;
    request.SetUpAt = now;
    return ANSWER_RELAY_SET_UP;
}

void CSessionBroker::Forget(std::uint32_t requester)
{
    m_requests.erase(m_requests.lower_bound(Key(requester, 0)), m_requests.upper_bound(Key(requester, 0xFFFFFFFFu)));
    m_counts.erase(requester);
}

void CSessionBroker::Expire(std::uint64_t now)
{
    for (auto it = m_requests.begin(); it != m_requests.end();) {
        if (Expired(it->second, now))
            it = Erase(it);
        else
            ++it;
    }
}

void CSessionBroker::MakeRoom(std::uint32_t requester)
{
    auto own = m_counts.find(requester);
    if (own != m_counts.end() && own->second >= MAX_REQUESTS_PER_REQUESTER) {
        GiveWay(requester);
        return;
    }
    if (m_requests.size() < MAX_REQUESTS)
        return;
    auto most = m_counts.begin();
    for (auto it = m_counts.begin(); it != m_counts.end(); ++it)
        if (it->second > most->second)
            most = it;
    if (most != m_counts.end())
        GiveWay(most->first);
}

void CSessionBroker::GiveWay(std::uint32_t requester)
{
    auto first = m_requests.lower_bound(Key(requester, 0));
    auto last = m_requests.upper_bound(Key(requester, 0xFFFFFFFFu));
    auto oldest = last;
    for (auto it = first; it != last; ++it)
        if (oldest == last || it->second.Order < oldest->second.Order)
            oldest = it;
    if (oldest != last)
        Erase(oldest);
}

CSessionBroker::Requests::iterator CSessionBroker::Erase(Requests::iterator request)
{
    auto count = m_counts.find(request->first.first);
    if (count != m_counts.end() && --count->second == 0)
        m_counts.erase(count);
    return m_requests.erase(request);
}

} // namespace TarnixServer
