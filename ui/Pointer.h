#pragma once
// The hourglass pointer shown during long operations.

namespace pcp {

class MousePointer {
  public:
    static void setHourglass(bool on);
    static bool isHourglass();
    // The normal pointer, whatever scopes were left unbalanced.
    static void reset();
};

// Shows the hourglass for a scope and restores the normal pointer however the
// scope is left, an error included.
class HourglassScope {
  public:
    HourglassScope() : was_(MousePointer::isHourglass()) { MousePointer::setHourglass(true); }
    ~HourglassScope() { release(); }
    // The normal pointer again before the scope ends.
    void release() {
        if (!released_) MousePointer::setHourglass(was_);
        released_ = true;
    }
    HourglassScope(const HourglassScope&) = delete;
    HourglassScope& operator=(const HourglassScope&) = delete;

  private:
    bool was_;
    bool released_ = false;
};

}  // namespace pcp
