#include "transport/ant/AntInternalMsg.h"

#include <cstring>

SAntInternalMsg SAntInternalMsg::MakeEmpty(std::uint32_t type)
{
    SAntInternalMsg message;
    std::memset(static_cast<void*>(&message), 0, sizeof message);
    message.Type = type;
    return message;
}

SAntInternalMsg SAntInternalMsg::MakeStart(const char* host, std::uint16_t serverPort, std::uint16_t localPort,
                                           bool advertiseLocalAddress)
{
    SAntInternalMsg message = MakeEmpty(ANT_MSG_START);
    if (host != nullptr) {
        std::strncpy(message.Body.Start.Host, host, ANT_HOST_NAME_SIZE - 1);
    }
    message.Body.Start.ServerPort = serverPort;
    message.Body.Start.LocalPort = localPort;
    message.Body.Start.AdvertiseLocalAddress = advertiseLocalAddress ? 1 : 0;
    return message;
}

SAntInternalMsg SAntInternalMsg::MakeConnect(STI_OS::SocketHandle descriptor, std::uint32_t serial,
                                             std::uint32_t peerId, std::uint32_t keyLow, std::uint32_t keyHigh)
{
    SAntInternalMsg message = MakeEmpty(ANT_MSG_CONNECT);
    message.Body.Connect.Descriptor = descriptor;
    message.Body.Connect.PeerId = peerId;
    message.Body.Connect.KeyLow = keyLow;
    message.Body.Connect.KeyHigh = keyHigh;
    message.Body.Connect.Serial = serial;
    return message;
}

SAntInternalMsg SAntInternalMsg::MakeClientId(std::uint32_t clientId)
{
    SAntInternalMsg message = MakeEmpty(ANT_MSG_CLIENT_ID);
    message.Body.ClientId.ClientId = clientId;
    return message;
}

SAntInternalMsg SAntInternalMsg::MakeLevel(STI_OS::SocketHandle descriptor, std::int32_t level)
{
    SAntInternalMsg message = MakeEmpty(ANT_MSG_LEVEL);
    message.Body.Level.Descriptor = descriptor;
    message.Body.Level.Level = level;
    return message;
}
