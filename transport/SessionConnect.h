#pragma once
// Connects a data-message handler over a new Ant socket, shared by both managers: the
// socket connects without blocking and waits in the calling thread's dispatcher as a
// connecting socket, with the dispatcher's connect time-out. Once the Ant connection is up
// the handler gets OnConnected; a failure or time-out reaches it as a lost connection.

#include "infra/Status.h"
#include "transport/AntAddress.h"

class CAnt;
class CTransportManagerHandler;

// ST_SUCCESS once the connect waits in the dispatcher (the dispatcher owns the socket from
// then on). Any failure leaves nothing registered and the handler untouched.
Status ConnectSessionHandler(CAnt* ant, CTransportManagerHandler* handler, const CAntAddress& address);
