#pragma once

#include <functional>

namespace brindlecap {

// On SIGTERM or SIGINT, calls `onTerminate` on the main thread from the event loop (so the normal
// shutdown, including the final save, runs); ignores SIGPIPE. Needs the application object;
// a second call replaces the callback.
void installTerminationHandlers(std::function<void()> onTerminate);

}  // namespace brindlecap
