#pragma once
// The strategy every session creates. It carries a mode; the sessions use mode 1, in which it
// behaves exactly as the default strategy.

#include "transport/ant/AntDefaultFlowControl.h"

class CAntNiceFlowControl : public CAntDefaultFlowControl {
public:
    static constexpr int DEFAULT_MODE = 1;

    explicit CAntNiceFlowControl(IAntFlowControlOwner& owner, int mode = DEFAULT_MODE, AntClock clock = AntClock());

    Status SetMode(int mode) override;
    int GetMode() const { return m_mode; }

private:
    int m_mode;
};
