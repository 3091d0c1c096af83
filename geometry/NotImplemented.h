#pragma once
// The library answers a few operations with a "NOT IMPLEMENTED" notice.
// The library has no windows of its own, so the notice goes to a handler
// that the program installs (a message box); without one it is dropped.

#include <functional>
#include <string>

using NotImplementedHandler = std::function<void(const std::string& text)>;

// Installs the handler and returns the one it replaces.
NotImplementedHandler setNotImplementedHandler(NotImplementedHandler handler);

// Shows "NOT IMPLEMENTED" through the installed handler.
void notifyNotImplemented();
