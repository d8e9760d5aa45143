#include "link/com_notice_target.h"

#include "link/com_port.h"

#include <QScopeGuard>

void ComNoticeTarget::deliver(quint64 generation)
{
    if (!port_)
        return;
    ++depth_;
    auto done = qScopeGuard([this, generation] {
        --depth_;
        if (port_)
            port_->finishRxNotice(generation);
        else if (depth_ == 0)
            deleteLater();
    });
    if (port_->handleRxNotice(generation) && port_)
        port_->raiseRx80Full(generation);
}

void ComNoticeTarget::threadFailed(quint64 generation, int err)
{
    if (port_)
        port_->eventThreadFailed(generation, err);
}
