#pragma once
// The hourglass pointer shown during long operations.

namespace pcp {

class MousePointer {
public:
    static void setHourglass(bool on);
    static bool isHourglass();
};

// Shows the hourglass for a scope and restores the normal pointer however the
// scope is left, an error included.
class HourglassScope {
public:
    HourglassScope() : was_(MousePointer::isHourglass()) { MousePointer::setHourglass(true); }
    ~HourglassScope() { MousePointer::setHourglass(was_); }
    HourglassScope(const HourglassScope&) = delete;
    HourglassScope& operator=(const HourglassScope&) = delete;

private:
    bool was_;
};

}  // namespace pcp
