#pragma once

#include "infra/Status.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgConnectionContext.h"

// Judges each received message (decoded, header readable) before it is dispatched; a non-zero
// status drops it and the connection carries on.
class IMessageVerifier {
public:
    virtual ~IMessageVerifier() = default;
    virtual Status Verify(const CMsgBuffer& message, const SMsgConnectionContext& from) = 0;
};

// The client trusts its one server: the codec's checksum is the only check.
class CKV2ClientMsgSockVerifier : public IMessageVerifier {
public:
    Status Verify(const CMsgBuffer&, const SMsgConnectionContext&) override { return ST_SUCCESS; }
};
