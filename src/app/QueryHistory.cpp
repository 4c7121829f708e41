#include "app/QueryHistory.h"

namespace tarnwick::app {

void TQueryHistory::AddToHistory(const WideString& memoText) {
    WideString text = Trim(memoText);
    if (!text.empty()) History.push_back(std::move(text));
    HistoryIndex = static_cast<int>(History.size()) - 1;
}

std::optional<WideString> TQueryHistory::Older() {
    if (HistoryIndex <= 0 || HistoryIndex > static_cast<int>(History.size())) return std::nullopt;
    --HistoryIndex;
    return History[std::size_t(HistoryIndex)];
}

std::optional<WideString> TQueryHistory::Newer() {
    if (HistoryIndex < -1 || HistoryIndex >= static_cast<int>(History.size()) - 1) return std::nullopt;
    ++HistoryIndex;
    return History[std::size_t(HistoryIndex)];
}

} // namespace tarnwick::app
