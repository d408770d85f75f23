#pragma once
// The backend of an established session: a loopback TCP connection whose one end is the
// user's descriptor and whose other end, registered with the Ant thread's dispatcher under a
// CAntBackendHandler, belongs to the session. Creating it completes the user's connect.

#include "infra/Status.h"

class CAntSession;
class CAntSessionManager;

// On success the session's backend is open (backend state 1).
Status CreateAntLoopbackBackend(CAntSessionManager& manager, CAntSession& session);
