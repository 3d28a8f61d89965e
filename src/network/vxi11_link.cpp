#include "vxi11_link.h"

#include <algorithm>
#include <utility>

namespace kteval::network {

Vxi11Link::Vxi11Link(long id, int connection, std::string peer, remote::Operations& operations)
    : id_(id),
      connection_(connection),
      name_(std::move(peer) + " (VXI-11 link " + std::to_string(id) + ")"),
      interpreter_(operations) {
    interpreter_.allowWaiting();
}

void Vxi11Link::write(std::string_view data, bool end) {
    while (!data.empty()) {
        const std::size_t lf = data.find('\n');
        const std::string_view piece = data.substr(0, lf);
        if (!discarding_) {
            // A CR before the LF is the line's; the interpreter takes it.
            if (partial_.size() + piece.size() > remote::kMaxLineLength + 1) {
                interpreter_.inputOverrun();
                partial_.clear();
                discarding_ = true;
            } else {
                partial_.append(piece);
            }
        }
        if (lf == std::string_view::npos) break;
        if (!discarding_) pending_.push_back(std::move(partial_));
        partial_.clear();
        discarding_ = false;
        data.remove_prefix(lf + 1);
    }
    if (end) {
        if (!partial_.empty() && !discarding_) pending_.push_back(std::move(partial_));
        partial_.clear();
        discarding_ = false;
    }
}

void Vxi11Link::answer(const std::optional<std::string>& text) {
    if (!text) return;
    answers_.append(*text);
    answers_.push_back('\n');
}

std::optional<Vxi11Link::Piece> Vxi11Link::read(std::size_t requestSize,
                                                std::optional<char> termChar) {
    if (answers_.empty()) return std::nullopt;
    const std::size_t lf = answers_.find('\n');  // every answer ends with one
    const std::size_t term = termChar ? answers_.find(*termChar) : std::string::npos;
    const std::size_t stop = std::min(lf, term) + 1;
    Piece piece;
    if (stop > requestSize) {
        piece.reason = kReasonRequestCount;
        piece.data = answers_.substr(0, requestSize);
    } else {
        piece.reason =
            (stop == lf + 1 ? kReasonEnd : 0) | (stop == term + 1 ? kReasonCharacter : 0);
        piece.data = answers_.substr(0, stop);
    }
    answers_.erase(0, piece.data.size());
    return piece;
}

void Vxi11Link::clear() {
    partial_.clear();
    discarding_ = false;
    pending_.clear();
    answers_.clear();
    interpreter_.deviceClear();
}

}  // namespace kteval::network
