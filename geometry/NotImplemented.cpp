#include "geometry/NotImplemented.h"

#include <utility>

namespace {
NotImplementedHandler& installedHandler() {
    static NotImplementedHandler handler;
    return handler;
}
}  // namespace

NotImplementedHandler setNotImplementedHandler(NotImplementedHandler handler) {
    return std::exchange(installedHandler(), std::move(handler));
}

void notifyNotImplemented() {
    // Copied first, so that a handler may replace itself while it runs.
    const NotImplementedHandler handler = installedHandler();
    if (handler) handler("NOT IMPLEMENTED");
}
