// The status box Text1: the program's only progress display. Its text only
// grows at the end (the Bhavcopy download alone clears it); every change is
// announced to the listener, which the command line prints and the window
// shows.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/text.h"

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

// A one-line text box written by a command while it runs (txtLabel): every
// new value is announced to the listener, which the window shows at once.
class AnnouncedText {
 public:
  using Listener = std::function<void(const std::string& text)>;

  AnnouncedText& operator=(std::string text) {
    text_ = std::move(text);
    if (listener_) listener_(text_);
    return *this;
  }
  const std::string& text() const { return text_; }
  operator const std::string&() const { return text_; }
  friend bool operator==(const AnnouncedText& a, const std::string& b) { return a.text_ == b; }
  void set_listener(Listener listener) { listener_ = std::move(listener); }

 private:
  std::string text_;
  Listener listener_;
};

// Line break used in the status box.

}  // namespace quillon
