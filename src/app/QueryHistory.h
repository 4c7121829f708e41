#pragma once
// The query texts of this program run, oldest first, and the position of the entry
// shown last. Not persisted.

#include "platform/com/WideString.h"

#include <optional>
#include <vector>

namespace tarnwick::app {

class TQueryHistory {
public:
    // Appends the text trimmed of characters below 33 unless that is empty (also when
    // it equals the last entry); then HistoryIndex points at the last entry (-1 when
    // there is none).
    void AddToHistory(const WideString& memoText);
    // Ctrl+Up: the previous entry, when there is one; HistoryIndex moves with it.
    std::optional<WideString> Older();
    // Ctrl+Down: the next entry, when there is one.
    std::optional<WideString> Newer();

    std::vector<WideString> History;
    int HistoryIndex = 0;
};

} // namespace tarnwick::app
