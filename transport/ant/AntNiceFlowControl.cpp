#include "transport/ant/AntNiceFlowControl.h"

#include <utility>

CAntNiceFlowControl::CAntNiceFlowControl(IAntFlowControlOwner& owner, int mode, AntClock clock)
    : CAntDefaultFlowControl(owner, std::move(clock)), m_mode(mode)
{}

Status CAntNiceFlowControl::SetMode(int mode)
{
    m_mode = mode;
    return ST_SUCCESS;
}
