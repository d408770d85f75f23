#include "infra/os/SocketResults.h"

#include "infra/os/ErrorTranslation.h"

namespace STI_OS {
namespace internal {

namespace {

// The would-block case reads as ST_TRY_LATER from the table; callers of the stream calls
// are told the same even where a platform reports it as "in progress".
Status TryLaterForInProgress(Status status)
{
    return status == ST_IN_PROGRESS ? ST_TRY_LATER : status;
}

} // namespace

Status ConnectResult(long result)
{
    const Status status = TranslateSocketResult(result);
    return status == ST_TRY_LATER ? ST_IN_PROGRESS : status;
}

Status ReceiveResult(long result, std::uint32_t& count)
{
    count = 0;
    const Status status = TryLaterForInProgress(TranslateSocketResult(result));
    if (status != ST_SUCCESS)
        return status;
    if (result == 0)
        return ST_CONNECTION_CLOSED;
    count = static_cast<std::uint32_t>(result);
    return ST_SUCCESS;
}

Status SendResult(long result, std::uint32_t& count)
{
    count = 0;
    const Status status = TryLaterForInProgress(TranslateSocketResult(result));
    if (status != ST_SUCCESS)
        return status;
    count = static_cast<std::uint32_t>(result);
    return ST_SUCCESS;
}

Status SendToResult(long result, std::uint32_t length)
{
    const Status status = TranslateSocketResult(result);
    if (status != ST_SUCCESS)
        return status;
    return static_cast<unsigned long>(result) < length ? ST_MORE_DATA : ST_SUCCESS;
}

Status CheckConnectionResult(long result)
{
    const Status status = TryLaterForInProgress(TranslateSocketResult(result));
    if (status != ST_SUCCESS)
        return status;
    return result == 0 ? ST_CONNECTION_CLOSED : ST_SUCCESS;
}

} // namespace internal
} // namespace STI_OS
