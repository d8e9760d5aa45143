#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace panel {

// Handlers run from the signals of widgets, inside Qt's widget code, which is
// built without exception support: an exception unwinding through it skips
// that code's own clean-ups (it leaks, and can leave a widget's state half
// changed). A handler connected through atEdge() ends its failure at its own
// edge instead and hands the text to the failure report, which the
// application points at its error box.
//
//   connect(B2, &QToolButton::clicked, this, panel::atEdge(this, &TForm1::B2Click));
//   connect(list, &QListWidget::itemClicked, this, panel::atEdge([this](QListWidgetItem *item) { ... }));

using FailureReport = void (*)(const QString &text);
// Unset (or null), a failure is written to the program's log (stderr).
void setFailureReport(FailureReport report);
void reportFailure(const QString &text) noexcept;

template <class Handler>
void runAtEdge(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception &e) {
        reportFailure(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportFailure(QStringLiteral("Unknown exception"));
    }
}

namespace detail {
// The parameters of a lambda's call, so the guarded lambda takes the same
// ones and connect() passes only those of the signal's arguments.
template <class Call>
struct CallOf;
template <class C, class R, class... A>
struct CallOf<R (C::*)(A...) const>
{
    template <class F>
    static auto guard(F f)
    {
        return [f = std::move(f)](A... args) { runAtEdge([&] { f(std::forward<A>(args)...); }); };
    }
};
template <class C, class R, class... A>
struct CallOf<R (C::*)(A...)>
{
    template <class F>
    static auto guard(F f)
    {
        return [f = std::move(f)](A... args) mutable { runAtEdge([&] { f(std::forward<A>(args)...); }); };
    }
};
} // namespace detail

template <class F>
auto atEdge(F handler)
{
    return detail::CallOf<decltype(&F::operator())>::guard(std::move(handler));
}

template <class Receiver, class R, class... A>
auto atEdge(Receiver *receiver, R (Receiver::*handler)(A...))
{
    return [receiver, handler](A... args) { runAtEdge([&] { (receiver->*handler)(std::forward<A>(args)...); }); };
}

} // namespace panel
