// The console's bounded history.
#include "console-history.h"

#include <algorithm>
#include <utility>

namespace pluginsdk::detail {

void ConsoleHistory::SetSink(Sink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

void ConsoleHistory::Add(std::string line) {
    std::lock_guard lock(mutex_);
    if (sink_) {
        sink_(line);
    }
    if (line.size() > kMaxLineBytes) {
        // Cut where a character begins, so the kept part stays valid UTF-8.
        std::size_t cut = kMaxLineBytes;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0U) == 0x80U) {
            --cut;
        }
        const std::string more = " [... " + std::to_string(line.size() - cut) + " more bytes]";
        line.resize(cut);
        line += more;
        line.shrink_to_fit();
    }
    bytes_ += line.size();
    lines_.push_back(std::move(line));
    while (lines_.size() > kMaxLines || bytes_ > kMaxBytes) {
        DropOldest();
    }
}

void ConsoleHistory::DropOldest() {
    bytes_ -= lines_.front().size();
    lines_.pop_front();
    ++dropped_;
}

std::vector<std::string> ConsoleHistory::Lines(std::size_t first, std::size_t count) const {
    std::lock_guard lock(mutex_);
    const std::size_t skip = first > dropped_ ? first - dropped_ : 0;
    if (skip >= lines_.size()) {
        return {};
    }
    const auto begin = lines_.begin() + static_cast<std::ptrdiff_t>(skip);
    return {begin, begin + static_cast<std::ptrdiff_t>(std::min(count, lines_.size() - skip))};
}

std::size_t ConsoleHistory::Count() const {
    std::lock_guard lock(mutex_);
    return dropped_ + lines_.size();
}

std::size_t ConsoleHistory::First() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void ConsoleHistory::Clear() {
    std::lock_guard lock(mutex_);
    // A deque keeps a block after clear(); a fresh one gives all of it back.
    std::deque<std::string>().swap(lines_);
    bytes_ = 0;
    dropped_ = 0;
}

} // namespace pluginsdk::detail
