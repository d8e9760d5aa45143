#include "panel/handler_edge.h"

#include <QtGlobal>

#include <atomic>

namespace panel {

namespace {
std::atomic<FailureReport> g_report{nullptr};
} // namespace

void setFailureReport(FailureReport report)
{
    g_report = report;
}

void reportFailure(const QString &text) noexcept
{
    try {
        if (const FailureReport report = g_report)
            report(text);
        else
            qCritical("%s", qPrintable(text));
    } catch (...) {
        // A report that fails must not take the program down with it.
    }
}

} // namespace panel
