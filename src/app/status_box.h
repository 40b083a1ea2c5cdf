// The status box Text1: the program's only progress display. Its text only
// grows at the end (the Bhavcopy download alone clears it); every change is
// announced to the listener, which the command line prints and the window
// shows.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quillon {

class StatusBox {
 public:
  // piece: the appended text; cleared: true when the box was emptied first.
  using Listener = std::function<void(std::string_view piece, bool cleared)>;

  void append(std::string_view piece) {
    text_.append(piece);
    if (listener_) listener_(piece, false);
  }
  void clear() {
    text_.clear();
    if (listener_) listener_({}, true);
  }
  const std::string& text() const { return text_; }
  void set_listener(Listener listener) { listener_ = std::move(listener); }

 private:
  std::string text_;
  Listener listener_;
};

// Line break used in the status box.
inline constexpr std::string_view kCrLf = "\r\n";

}  // namespace quillon
