#include "transport/ant/AntSendBatch.h"

#include <cstring>

void CAntSendBatch::Add(const SAntPacket& packet, const CIPEndpoint& destination)
{
    std::memcpy(m_data[m_count], packet.Data, packet.Length);
    STI_OS::SDatagramOut& datagram = m_datagrams[m_count];
    datagram.Data = m_data[m_count];
    datagram.Length = packet.Length;
    datagram.Address = destination.GetAddress().Get();
    datagram.Port = destination.GetPort();
    ++m_count;
}

void CAntSendBatch::Send(STI_OS::SocketHandle handle)
{
    std::uint32_t handled = 0;
    // Whatever was not handled would have blocked: lost, as a blocked single send is.
    (void)STI_OS::SendToBatch(handle, m_datagrams, m_count, handled);
    m_count = 0;
}
