#include "transport/SessionConnect.h"

#include "infra/BaseSockEventHandler.h"
#include "infra/Dispatcher.h"
#include "transport/AntSocket.h"
#include "transport/TransportManagerHandler.h"

#include <memory>
#include <new>

Status ConnectSessionHandler(CAnt* ant, CTransportManagerHandler* handler, const CAntAddress& address)
{
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    if (dispatcher == nullptr || handler == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    // Until the dispatcher takes it, the socket closes its descriptor through the transport,
    // which then never connects it.
    std::unique_ptr<CAntSocket> socket(new (std::nothrow) CAntSocket(ant));
    if (!socket) {
        return ST_NO_MEMORY;
    }
    Status status = socket->Connect(address, true);
    if (status != ST_IN_PROGRESS) {
        return status == ST_SUCCESS ? ST_INTERNAL_ERROR : status;
    }
    int timerId = -1;
    status = dispatcher->ScheduleConnectTimeout(socket.get(), timerId);
    if (status != ST_SUCCESS) {
        return status;
    }
    status = dispatcher->RegisterConnecting(handler, socket.get(), timerId);
    if (status != ST_SUCCESS) {
        dispatcher->CancelTimer(timerId);
        return status;
    }
    sti::IBaseSockEventHandler* requester = handler;
    requester->OnConnecting(socket.release());
    return ST_SUCCESS;
}
