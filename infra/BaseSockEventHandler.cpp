#include "infra/BaseSockEventHandler.h"

#include "infra/Dispatcher.h"
#include "infra/PollableObject.h"

#include <algorithm>
#include <new>

namespace sti {

namespace {

Status AddTo(std::unique_ptr<std::vector<IPollableObject*>>& list, IPollableObject* object)
{
    try {
        if (!list) {
            list.reset(new std::vector<IPollableObject*>());
        }
        if (std::find(list->begin(), list->end(), object) != list->end()) {
            return ST_DUPLICATE;
        }
        list->push_back(object);
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    return ST_SUCCESS;
}

bool RemoveFrom(std::vector<IPollableObject*>* list, IPollableObject* object)
{
    if (list == nullptr) {
        return false;
    }
    auto found = std::find(list->begin(), list->end(), object);
    if (found == list->end()) {
        return false;
    }
    list->erase(found);
    return true;
}

bool Contains(const std::vector<IPollableObject*>* list, const IPollableObject* object)
{
    return list != nullptr && std::find(list->begin(), list->end(), object) != list->end();
}

} // namespace

IBaseSockEventHandler::~IBaseSockEventHandler()
{
    CDispatcher* dispatcher = CDispatcher::Existing();
    if (dispatcher == nullptr) {
        return;
    }
    // Copies: closing takes each object off the list being walked.
    if (m_connecting) {
        const std::vector<IPollableObject*> pending = *m_connecting;
        for (IPollableObject* object : pending) {
            // A connect already ended has no record left; the close below ends it either way.
            (void)dispatcher->ForgetConnecting(object);
            dispatcher->Close(object, false);
        }
    }
    if (m_attached) {
        const std::vector<IPollableObject*> attached = *m_attached;
        for (IPollableObject* object : attached) {
            dispatcher->Close(object, false);
            // The object outlives this handler until the next purge; it must not call back.
            if (object->GetHandler() == this) {
                object->SetHandler(nullptr);
            }
        }
    }
}

Status IBaseSockEventHandler::AddObject(IPollableObject* object)
{
    return AddTo(m_attached, object);
}

bool IBaseSockEventHandler::RemoveObject(IPollableObject* object)
{
    return RemoveFrom(m_attached.get(), object);
}

bool IBaseSockEventHandler::HasObject(const IPollableObject* object) const
{
    return Contains(m_attached.get(), object);
}

std::size_t IBaseSockEventHandler::GetObjectCount() const
{
    return m_attached ? m_attached->size() : 0;
}

Status IBaseSockEventHandler::AddConnecting(IPollableObject* object)
{
    return AddTo(m_connecting, object);
}

bool IBaseSockEventHandler::RemoveConnecting(IPollableObject* object)
{
    return RemoveFrom(m_connecting.get(), object);
}

bool IBaseSockEventHandler::IsConnecting(const IPollableObject* object) const
{
    return Contains(m_connecting.get(), object);
}

std::size_t IBaseSockEventHandler::GetConnectingCount() const
{
    return m_connecting ? m_connecting->size() : 0;
}

} // namespace sti
