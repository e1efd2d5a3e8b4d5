// where the computation layers send the fixed-text messages that the windows show
// as message boxes ("Zero divide", "Null vector norm", ...).  The layers never show
// anything themselves; an empty sink drops the message.
#pragma once

#include <functional>
#include <string>

namespace quillon::viewer {

using MessageSink = std::function<void(const std::string&)>;

inline void report(const MessageSink& sink, const std::string& text) {
    if (sink) sink(text);
}

}  // namespace quillon::viewer
