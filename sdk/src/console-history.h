// The console's recent lines in memory, bounded, and the sink that sees every line as it is logged.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace pluginsdk::detail {

class ConsoleHistory {
public:
    using Sink = std::function<void(std::string_view line)>;

    // A player scrolls back minutes, not hours: 4,096 lines are over half an hour of a line per beat
    // at 120 BPM, and a session of any length keeps no more.
    static constexpr std::size_t kMaxLines = 4096;
    // Lines of any length, however many, hold at most 1 MiB of text between them.
    static constexpr std::size_t kMaxBytes = std::size_t{1} << 20;
    // No screen shows more of one line than this; the rest of a longer one reaches only the sink.
    static constexpr std::size_t kMaxLineBytes = std::size_t{16} << 10;

    // The sink gets each line whole, in order, while the history's lock is held: it must neither
    // throw nor call back into the host.
    void SetSink(Sink sink);
    void Add(std::string line);
    // Lines are numbered from 0 since the start or the last Clear, and a line keeps its number
    // while it is kept: the kept lines are First() to Count() - 1.
    std::vector<std::string> Lines(std::size_t first, std::size_t count) const;
    std::size_t Count() const;
    std::size_t First() const;
    void Clear();

private:
    void DropOldest();

    mutable std::mutex mutex_;
    Sink sink_;
    std::deque<std::string> lines_;
    std::size_t bytes_ = 0;
    std::size_t dropped_ = 0;
};

} // namespace pluginsdk::detail
