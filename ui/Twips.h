#pragma once
// Window layouts are given in twips (1,440 to the inch); the screen's logical
// DPI turns them into pixels.

namespace pcp {

double LogicalDpi();
int TwipsToPx(double twips);
int PxToTwips(int px);

}  // namespace pcp
