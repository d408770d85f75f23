#pragma once
// The program's own end of a transfer session, shared by both managers.

#include <cstdint>

class CTransportSession;

// Through the session's handler when it has one (which sends Close to the peer unless the
// reason is the shutdown one); otherwise status WAITING, OnClosed(here, reason), release and
// delete. Either way the callback hears OnClosed before its Release.
void CloseTransportSession(CTransportSession* session, std::uint32_t reason);
