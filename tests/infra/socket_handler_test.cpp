#include <gtest/gtest.h>

#include "infra/Dispatcher.h"
#include "infra/Pipe.h"
#include "infra/SocketEventHandler.h"

#include <memory>
#include <vector>

using namespace sti;

namespace {

class CPlainHandler : public CSocketEventHandler<CPipe> {
public:
    explicit CPlainHandler(bool* destroyed = nullptr) : m_destroyed(destroyed) {}
    ~CPlainHandler() override
    {
        if (m_destroyed != nullptr) {
            *m_destroyed = true;
        }
    }
    using CSocketEventHandler<CPipe>::OnError;

    Status OnRead(CPipe*) override { return ST_SUCCESS; }
    Status OnWrite(CPipe*) override { return ST_NO_MORE_DATA; }
    Status OnError(CPipe*, Status code) override
    {
        errors.push_back(code);
        return code;
    }

    std::vector<Status> errors;

private:
    bool* m_destroyed;
};

class CAttachedHandler : public CSocketAttachedEventHandler<CPipe> {
public:
    Status OnRead(CPipe*) override { return ST_SUCCESS; }
    Status OnWrite(CPipe*) override { return ST_NO_MORE_DATA; }
};

// A handler that must never hear of its object again once it is gone.
class CForgettingHandler : public CSocketEventHandler<CPipe> {
public:
    Status OnRead(CPipe*) override { return ST_SUCCESS; }
    Status OnWrite(CPipe*) override { return ST_NO_MORE_DATA; }
    Status OnDetach(CPipe*, int) override
    {
        ADD_FAILURE() << "a quiet close must not notify";
        return ST_SUCCESS;
    }
};

CPipe* NewPipe(std::unique_ptr<CPipe>& peer)
{
    std::unique_ptr<CPipe> mine;
    EXPECT_EQ(ST_SUCCESS, CPipe::CreatePair(mine, peer));
    return mine.release();
}

} // namespace

TEST(SocketEventHandler, ConnectFailuresEndUpInOnErrorByDefault)
{
    CPlainHandler handler;
    std::unique_ptr<CPipe> peer;
    std::unique_ptr<CPipe> object(NewPipe(peer));
    IBaseSockEventHandler& base = handler;
    EXPECT_EQ(ST_TIMEOUT, base.OnConnectTimeout(object.get()));
    EXPECT_EQ(ST_CONN_REFUSED, base.OnConnectFailed(object.get(), ST_CONN_REFUSED));
    EXPECT_EQ((std::vector<Status>{ST_TIMEOUT, ST_CONN_REFUSED}), handler.errors);
    EXPECT_EQ(nullptr, base.GetObject());
    EXPECT_FALSE(base.ReservedQuery());
    EXPECT_EQ(ST_SUCCESS, base.OnConnected(object.get()));
    EXPECT_EQ(ST_SUCCESS, base.OnConnectAborted(object.get()));
}

TEST(SocketEventHandler, AttachedHandlerKnowsItsObjectUntilDetached)
{
    CAttachedHandler handler;
    std::unique_ptr<CPipe> peer;
    std::unique_ptr<CPipe> object(NewPipe(peer));
    IBaseSockEventHandler& base = handler;
    EXPECT_EQ(nullptr, base.GetObject());
    EXPECT_EQ(ST_SUCCESS, base.OnAttach(object.get()));
    EXPECT_EQ(object.get(), base.GetObject());
    EXPECT_EQ(ST_SUCCESS, base.OnDetach(object.get(), DETACH_HANDED_ON));
    EXPECT_EQ(nullptr, base.GetObject());
}

TEST(SocketEventHandler, DefaultHandlerDiesWithItsObject)
{
    CDispatcher* dispatcher = CDispatcher::Instance();
    ASSERT_NE(nullptr, dispatcher);
    bool destroyed = false;
    std::unique_ptr<CPipe> peer;
    CPipe* object = NewPipe(peer);
    ASSERT_EQ(ST_SUCCESS, dispatcher->Register(object, new CPlainHandler(&destroyed), INTEREST_READ));
    dispatcher->Close(object, true);
    EXPECT_FALSE(destroyed) << "deletion waits for the next round";
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(0));
    EXPECT_TRUE(destroyed);
}

TEST(SocketEventHandler, DestroyedHandlerClosesItsObjectsQuietlyAndIsNeverCalledAgain)
{
    CDispatcher* dispatcher = CDispatcher::Instance();
    ASSERT_NE(nullptr, dispatcher);
    std::unique_ptr<CPipe> peers[2];
    CPipe* objects[2] = {NewPipe(peers[0]), NewPipe(peers[1])};
    auto* handler = new CForgettingHandler();
    for (CPipe* object : objects) {
        ASSERT_EQ(ST_SUCCESS, dispatcher->Register(object, handler, INTEREST_READ));
    }
    EXPECT_EQ(2u, handler->GetObjectCount());
    delete handler;
    for (CPipe* object : objects) {
        EXPECT_FALSE(dispatcher->IsRegistered(object));
    }
    // The purge deletes both objects; under the sanitizers a call into the dead handler fails.
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(0));
}
