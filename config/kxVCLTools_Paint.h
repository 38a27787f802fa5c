// config/kxVCLTools_Paint.h — the gradients of the info panel, painted on a
// canvas (platform/ui/Canvas.h).
#pragma once

#include "config/kxVCLTools.h"
#include "platform/rtl/Geometry.h"
#include "platform/ui/Canvas.h"

namespace kxVCLTools {

using kx::platform::ui::TCanvas;

// Colors[i] to Colors[i + 1] over segment i of Step = size div (count - 1)
// pixels (size: the width for goLeft2Right, the height for goTop2Bottom);
// each segment's far line is painted too, so painting reaches
// near edge + (count - 1) × Step inclusive and lines beyond stay as they
// were. Fewer than two colours, or goRadInner2Outer, paint nothing. Reverse
// reverses the caller's list in place first.
//   four colours over 101 columns: three segments of 33, columns 0..99
void DrawGradient(TCanvas& Canvas, const TRect& Rect, TGradRow& Colors, TGradientOrientation Orientation,
                  bool Reverse);

// One segment from Color1 to Color2 (swapped by Reverse). Straight: lines 0
// to N inclusive (N the width or height; nothing when N is 0), line i in
// start + (end - start) / N × i per channel, rounded to nearest with halves
// to even and cut to 8 bits; the last line lies on the far edge. Radial:
// every pixel of the rectangle (edges included) closer to the centre
// (Left + r, Top + r), r = min(width, height) div 2, than r gets start +
// (end - start) / r × distance; nothing when r is 0.
void DrawGradientSegment(TCanvas& Canvas, const TRect& Rect, TColor Color1, TColor Color2,
                         TGradientOrientation Orientation, bool Reverse);

}  // namespace kxVCLTools
