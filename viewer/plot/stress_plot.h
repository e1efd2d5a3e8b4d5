// Drawing of the stress-state stereonets on the 2000 x 1000 canvas: the two
// nets with their ticks and N letters, the colour and tail legends, and the
// tadpole symbols of the selected grid states.  Everything is drawn with a
// QPainter in canvas units, so the same calls paint the on-screen bitmap, a
// recorded QPicture (metafile, SVG, PDF, clipboard) or an export image.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QColor>

#include "viewer/model/fault_data.h"
#include "viewer/model/plot_selection.h"
#include "viewer/model/result_model.h"

class QPainter;

namespace quillon::viewer {

// Symbol colour per stress-ratio class 0..10.
using ColorTable = std::array<ColorValue, 11>;
ColorTable defaultColors();
QColor toQColor(ColorValue c);

// Gray of the nets and of the tail legend (red, green, blue 128).
inline constexpr ColorValue kNetGray = rgbColor(128, 128, 128);

// Half the side of a tadpole's head for the three head sizes of the
// Tadpole Symbol menu.
inline constexpr int kHeadLarge = 12;   // round(1.2 * LU)
inline constexpr int kHeadSmall = 6;    // round(0.6 * LU)
inline constexpr int kHeadTiny = 3;     // round(0.3 * LU)
// Offset of a tadpole's black shadow: round(0.2 * LU).
inline constexpr int kShadowOffset = 2;

struct PlotStyle {
    ColorTable colors = defaultColors();
    bool drawTail = true;      // DrawTail
    int headSize = kHeadLarge; // HeadSize
};

// Called with (position, maximum) as the drawing advances, counted in symbols
// (one per selected copy of a state): (0, n) before the first, (j, n) before
// symbol j, (0, n) at the end.
using ProgressFn = std::function<void(std::int64_t position, std::int64_t maximum)>;

// The tadpole: black shadow displaced by kShadowOffset, then the coloured
// tail line (width 2) and the filled square head of half side `headSize`.
void drawTadpole(QPainter& p, CanvasPoint head, const QColor& color, CanvasPoint tailEnd, int headSize);
// Both nets: gray primitive circles filled white, cardinal ticks, the N letter.
void drawNets(QPainter& p);
// The 11 class boxes along the bottom edge between the nets.
void drawColorLegend(QPainter& p, const ColorTable& colors);
// Gray tadpoles showing the tail length for plunges 0, 10, ... 90 (bottom to top).
void drawTailLegend(QPainter& p, int headSize);
// Nets and both legends: the picture shown before any Draw.
void drawFrame(QPainter& p, const PlotStyle& style);

// Tail end of a tadpole whose head is at `head`, pointing along the trend of
// the other axis `other`, of length (1 - pl/90) * kTailBaseLength + kTailBaseLength div 5.
CanvasPoint tadpoleTailEnd(CanvasPoint head, const Direction& other);

// The frame and then every entry of `selection`, sigma1 on net 0 and sigma3 on
// net 1, displaced by the jitter of dispersion factor `df` from a generator
// reset to seed 0 (so equal settings give equal pictures).  A displaced head
// that would leave its net is placed by the axis of opposite azimuth plus the
// same offset, just inside the other side of the primitive.
// When `cancel` is given and becomes true (it is read before every symbol, after
// the progress function, which may set it), the drawing stops there and the function
// returns false; it returns true when every symbol was drawn.
bool drawSelectedStates(QPainter& p, const ResultModel& model, const Selection& selection,
                        int df, const PlotStyle& style, const ProgressFn& progress = {},
                        const bool* cancel = nullptr);

}  // namespace quillon::viewer
